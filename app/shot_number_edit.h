// CShotNumberEdit: the toolbar box where the user types a shot number.
//
// Digits only (a validator keeps the digits of typed, pasted and dropped
// text alike), right-aligned, a 1-pixel margin on each side, a sunken frame.
// Enter first gives the keyboard focus to the main window, so the box loses
// it at that moment and the view turns the typed number into a jump; Tab and
// Escape leave the focus where it is. Like a classic edit control without
// automatic scrolling, the box holds only as many digits as fit in its width.
#pragma once

#include "app/commands/command_ids.h"
#include "app/framework/edit_box.h"

class CShotNumberEdit : public EditBox {
public:
    static constexpr int TEXT_MARGIN = 1;

    explicit CShotNumberEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab stay in the box.
    bool focusNextPrevChild(bool next) override;

private:
    bool TextWouldOverflow(const QString& typed) const;
};
