// The player view's review commands (direction, loop mode, in and out
// points, speed), forwarded to its player, and the immediate paint of a
// shot the play timer loaded.
#include <QWidget>

#include "shots/qt/player_view.h"
#include "app/commands/command_ids.h"

void CKestrel::RegisterReviewCommands()
{
    const struct {
        UINT id;
        void (ShotPlayer::*run)();
    } commands[] = {
        {ID_SHOT_REVERSE, &ShotPlayer::Reverse},   {ID_SHOT_LOOP_MODE, &ShotPlayer::CycleLoopMode},
        {ID_SHOT_SET_IN, &ShotPlayer::SetIn},      {ID_SHOT_SET_OUT, &ShotPlayer::SetOut},
        {ID_SHOT_CLEAR_RANGE, &ShotPlayer::ClearRange}, {ID_SHOT_FASTER, &ShotPlayer::Faster},
        {ID_SHOT_SLOWER, &ShotPlayer::Slower},     {ID_SHOT_DROP, &ShotPlayer::ToggleDrop},
    };
    for (const auto& command : commands) {
        OnCommand(command.id, [this, run = command.run] { (m_player.*run)(); });
        OnUpdateCommand(command.id, [this, id = command.id](CCmdUI& ui) { DisableUnavailable(ui, id); });
    }
}

bool CKestrel::PaintPlayedShot()
{
    // Painted now, so no tick can load another before this one is seen; it
    // has reached the screen once the repaint returns. Without an exposed
    // window nothing paints now, and the next paint marks it.
    if (!isVisible() || !viewport()) return false;
    m_bPlayRepaint = true;
    viewport()->repaint();
    const bool painted = !m_bPlayRepaint;
    m_bPlayRepaint = false;
    return painted;
}
