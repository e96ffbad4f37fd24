#include "app/accelerators.h"

#include "app/export_window.h"
#include "shots/qt/shot_directory_follower.h"
#include "shots/review_ids.h"
#include "shots/shot_ids.h"
#include "shots/timeline_ids.h"
#include "shots/view_commands.h"

const std::vector<Accelerator>& MainFrameAccelerators()
{
    static const std::vector<Accelerator> table = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_E), ID_FILE_EXPORT},
        // Save is left out on purpose: the document has no stored form, and
        // a save would only create an empty file, possibly over a shot.
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
    };
    return table;
}

const std::vector<Accelerator>& ViewerKeys()
{
    static const std::vector<Accelerator> table = {
        {QKeySequence(Qt::Key_Right), ID_SHOT_NEXT},
        {QKeySequence(Qt::Key_Left), ID_SHOT_PREVIOUS},
        {QKeySequence(Qt::Key_Home), ID_SHOT_FIRST},
        {QKeySequence(Qt::Key_End), ID_SHOT_LAST},
        {QKeySequence(Qt::Key_F), ID_FOLLOW_NEWEST},
        // Ctrl+Plus is Ctrl+= on keyboards where plus needs the shift key.
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), ID_VIEW_ZOOM_IN},
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), ID_VIEW_ZOOM_IN},
        {QKeySequence(Qt::CTRL | Qt::Key_Minus), ID_VIEW_ZOOM_OUT},
        {QKeySequence(Qt::CTRL | Qt::Key_0), ID_VIEW_ZOOM_OWN_SIZE},
        {QKeySequence(Qt::Key_A), ID_VIEW_FIT_MODE},
        {QKeySequence(Qt::Key_I), ID_VIEW_OVERLAY},
        {QKeySequence(Qt::Key_F11), ID_VIEW_FULL_SCREEN},
        {QKeySequence(Qt::Key_Escape), ID_VIEW_LEAVE_FULL_SCREEN},
        {QKeySequence(Qt::Key_R), ID_SHOT_REVERSE},
        {QKeySequence(Qt::Key_L), ID_SHOT_LOOP_MODE},
        {QKeySequence(Qt::Key_BracketLeft), ID_SHOT_SET_IN},
        {QKeySequence(Qt::Key_BracketRight), ID_SHOT_SET_OUT},
        {QKeySequence(Qt::Key_Backslash), ID_SHOT_CLEAR_RANGE},
        {QKeySequence(Qt::Key_Plus), ID_SHOT_FASTER},
        {QKeySequence(Qt::Key_Equal), ID_SHOT_FASTER},
        {QKeySequence(Qt::Key_Minus), ID_SHOT_SLOWER},
        {QKeySequence(Qt::Key_T), ID_VIEW_TIMELINE},
    };
    return table;
}
