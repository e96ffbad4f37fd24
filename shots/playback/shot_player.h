// ShotPlayer: what playing the document's shots is, without a widget. It
// owns the playing switch, the interval, the order (direction, loop mode,
// in and out points) and the pacer, steps within the range, shows a shot at
// an index, and answers which commands may run now: while playing, only
// Stop and the speed keys; with no shots, hardly anything.
//
// It moves the document only through the document's own operations. Its
// host (the view, a test, a remote driver) gives it three hooks: how to set
// the play timer, how to put a freshly loaded shot on the screen at once,
// and nothing else; repainting goes through the document's UpdateAllViews.
// The host calls Tick() on each timer tick and ShotPainted() when a paint
// has shown what was loaded.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "app/commands/command_ids.h"
#include "shots/playback/play_order.h"
#include "shots/playback/play_pacer.h"
#include "shots/playback/play_interval.h"
#include "shots/shot_list_document.h"

class ShotPlayer {
public:
    struct Host {
        // Sets the play timer to fire after ms milliseconds (and then every
        // ms until set again).
        std::function<void(int ms)> setTimer;
        // Puts the shot just loaded on the screen now; true when it got
        // there (then the player counts it painted), false when it will be
        // painted later and the host calls ShotPainted() then.
        std::function<bool()> showNow;
        // Whether the shot at index can be shown at once (decoded ahead);
        // dropping skips one that cannot. None: every shot can.
        std::function<bool(std::size_t index)> ready;
    };

    explicit ShotPlayer(CKESTRELDoc& document, PlayPacer::Clock clock = PlayPacer::SteadyClock());

    void SetHost(Host host) { m_host = std::move(host); }
    CKESTRELDoc& Document() const { return m_doc; }

    // State.
    bool Playing() const { return m_bPlaying != 0; }
    int IntervalMs() const { return m_nPlayInterval; }
    // Before playing starts (the command line's --interval); held in range.
    void SetIntervalMs(int ms);
    // At any time (a remote command): while playing, the next shot is due
    // one new interval after the last, as with Faster and Slower.
    void ChangeIntervalMs(int ms);
    // Told after playing starts or stops, whoever started or stopped it.
    void SetPlayingChanged(std::function<void()> changed) { m_playingChanged = std::move(changed); }
    PlayOrder& Order() { return m_order; }
    const PlayOrder& Order() const { return m_order; }
    const PlayPacer& Pacer() const { return m_pacer; }
    // The first or last index of the in-out range; the whole list without one.
    std::int64_t RangeFirst() const { return m_order.First(m_doc); }
    std::int64_t RangeLast() const { return m_order.Last(m_doc); }

    // Commands: each does what its key does, when Available() says it may.
    void Play();
    void Stop();
    void First();
    void Next();
    void Previous();
    void Last();
    void Reverse();
    void CycleLoopMode();
    void SetIn();
    void SetOut();
    void ClearRange();
    void Faster();
    void Slower();
    // Key D: keep to the clock, skipping a shot not ready when due (--drop).
    void ToggleDrop() { SetDrop(!Dropping()); }
    void SetDrop(bool on) { m_pacer.SetDrop(on); }
    bool Dropping() const { return m_pacer.Drop(); }
    // Shows the earliest shot numbered number; false (nothing moves) when no
    // shot has it.
    bool GoToNumber(int number);
    // A shot chosen by index (the timeline): only while stopped with shots
    // listed; inside an in-out range a shot beyond it gives the range's
    // nearer end. False when nothing was shown.
    bool ShowShotAt(std::size_t index);
    // Whether command id may run now (the update handlers' rules). Ids the
    // player does not know are available.
    bool Available(UINT id) const;
    // The shot-number box takes typing only while stopped with shots listed.
    bool ShotNumberEditable() const { return !Playing() && m_doc.m_nShotCount != 0; }

    // The play timer fired: while playing, the next shot is loaded and put
    // on the screen, and the timer set to when the one after it is due.
    void Tick();
    // A paint put the shot last loaded on the screen.
    void ShotPainted() { m_pacer.ShotPainted(); }

    // The switch under its usual name; read it through Playing().
    std::int32_t m_bPlaying = 0;

private:
    void PlayNextShot();
    // Dropping: the shot due now, skipping those whose time has passed and
    // the one due when it is not ready.
    void PlayDueShot();
    void StartPacing();
    void StopPacing();
    void SetTimer(int ms);
    void Changed();
    // A step of first, previous, next or last inside the in-out range;
    // false when no range is set and the step is the plain one.
    bool StepInRange(UINT id);
    // Whether a step would leave the range.
    bool OutOfRange(UINT id) const;

    CKESTRELDoc& m_doc;
    Host m_host;
    int m_nPlayInterval = PLAY_INTERVAL_DEFAULT_MS;
    PlayOrder m_order;
    PlayPacer m_pacer;
    std::function<void()> m_playingChanged;
    std::int64_t m_clockAt = -1;  // dropping: the index the clock has reached
};
