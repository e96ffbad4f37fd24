// CompareControl: comparing the document's run with a second one, B, in the
// window. It owns the compare part (compare/shot_compare.h) while comparing,
// and a follower that keeps B's list in step with its directory, as A's is;
// it hands the part to the view, which paints A and B and forwards C, X and
// the wipe drag to it.
//
// "Compare with…" (Ctrl+B) asks for B's directory and starts comparing; the
// same command while comparing stops, and the view is the single view it
// was. The settings (mode, pairing, wipe, gain) outlive a stop.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "compare/compare_options.h"

class CKESTRELDoc;
class CKestrel;
class QWidget;
class ShotCompare;
class ShotDirectoryFollower;

// Asks for B's directory, starting at start; empty when cancelled. Tests
// replace it, as a modal dialog would block them; the previous one comes
// back.
using CompareDirectoryDialog = std::function<QString(QWidget* parent, const QString& start)>;
CompareDirectoryDialog SetCompareDirectoryDialog(CompareDirectoryDialog dialog);

class CompareControl {
public:
    CompareControl(CKESTRELDoc& a, CKestrel& view, const CompareOptions& options, std::size_t cacheBytes, bool poll);
    ~CompareControl();

    // Ctrl+B: asks for B and compares, or stops comparing.
    void OnCompareOpen(QWidget* parent);
    // Compares with path's shots: a directory, or a shot file's directory.
    void Open(const QString& path);
    void Close();
    bool Active() const { return m_compare != nullptr; }
    ShotCompare* Compare() const { return m_compare.get(); }

    // A's sequence changed (G, Shift+G): B shows the sequence of that prefix.
    void FollowSequence();

    // --print-status's second line with its line end, empty when not
    // comparing.
    QString StatusLine() const;

private:
    CKESTRELDoc& m_a;
    CKestrel& m_view;
    CompareOptions m_options;
    std::size_t m_cacheBytes;
    bool m_poll;
    QString m_directory;  // the last B
    // The follower watches B's list: it goes first.
    std::unique_ptr<ShotCompare> m_compare;
    std::unique_ptr<ShotDirectoryFollower> m_follower;
};
