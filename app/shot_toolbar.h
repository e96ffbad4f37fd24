// CShotToolBar: the main window's one toolbar, and the owner of the two
// boxes that sit in it: the shot-number box (control 101) between Previous
// and Next, and the read-only status box (control 102) after Last.
//
// Items after LoadToolBar and the two SetBoxSlot calls, 17 in all:
//
//   0 Open  1 |  2 About  3 |  4 Help  5 |  6 Play  7 Stop  8 |  9 Fit
//   10 |  11 First  12 Previous  13 [shot number]  14 Next  15 Last
//   16 [status]
//
// The boxes are items of the toolbar, so they go with it when it is docked
// on another side or floated. Every item but a plain separator carries its
// id (ItemId); buttons are the command actions of the frame, so clicks take
// the frame's command route.
#pragma once

#include <QToolBar>

#include "app/framework/command_actions.h"
#include "app/framework/edit_box.h"
#include "app/shot_number_edit.h"

class CShotToolBar : public QToolBar {
public:
    // Item slots of the boxes and their widths in pixels.
    static constexpr int SHOT_NUMBER_ITEM = 13;
    static constexpr int SHOT_NUMBER_WIDTH = 64;
    static constexpr int STATUS_ITEM = 16;
    static constexpr int STATUS_WIDTH = 384;
    static constexpr int FIT_ITEM = 9;
    // Where a box lies in its slot: 12 pixels in from the left, a few down.
    static constexpr int BOX_LEFT_OFFSET = 12;
    static constexpr int SHOT_NUMBER_TOP_OFFSET = 2;
    static constexpr int STATUS_TOP_OFFSET = 4;

    explicit CShotToolBar(QWidget* parent = nullptr);

    // Puts the 16 items of the toolbar resource in, each button as the
    // command action of its id. False when a button picture is missing.
    bool LoadToolBar(CommandActions& actions);

    // Replaces item index (or appends it, at index ItemCount()) by a slot
    // of width pixels with id that holds box.
    void SetBoxSlot(int index, UINT id, int width, QWidget* box, int topOffset);
    // Makes the button at index a check-box button.
    void SetButtonCheckBox(int index);

    int ItemCount() const;
    // The id of item index; 0 for a plain separator or a bad index.
    UINT ItemId(int index) const;
    bool IsPlainSeparator(int index) const;
    QAction* ItemAction(int index) const;
    // The index of the item with id, or -1.
    int CommandToIndex(UINT id) const;

    EditBox* m_wndShotStatus;
    CShotNumberEdit* m_wndShotNumber;
};
