// EditBox: a one-line edit control with a control id. It tells its frame
// when it gains or loses the keyboard focus (EN_SETFOCUS, EN_KILLFOCUS under
// its id; FrameWindow::AddEditBox routes them to view, document, frame and
// application), and a document reads and writes its text as an ITextBox.
//
// Options for the toolbar boxes:
// - SetNumberOnly: the box keeps only the digits of whatever text reaches
//   it (typed, pasted, dropped, from an input method); text set by the
//   program is shown as given, and an edit of such a text keeps its digits.
// - SetEnterMovesFocusToMainWindow: Enter first gives the focus to the main
//   window, so the box loses it (and notifies) at that moment, then goes on
//   to the ordinary handling.
//
// FindEditBox looks a box up by control id among a window's children.
#pragma once

#include <QLineEdit>
#include <functional>
#include <string>

#include "app/framework/framework_ids.h"
#include "app/framework/text_box.h"

class EditBox : public QLineEdit, public ITextBox {
public:
    using NotifyHandler = std::function<void(UINT controlId, UINT code)>;

    explicit EditBox(UINT controlId, QWidget* parent = nullptr);

    UINT ControlId() const { return m_controlId; }
    void SetNotifyHandler(NotifyHandler handler) { m_notify = std::move(handler); }
    void SetNumberOnly(bool numberOnly);
    void SetEnterMovesFocusToMainWindow(bool moves) { m_enterMovesFocus = moves; }

    void SetWindowText(const std::string& text) override;
    std::string GetWindowText() const override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Notify(UINT code);

    UINT m_controlId;
    NotifyHandler m_notify;
    bool m_enterMovesFocus = false;
};

EditBox* FindEditBox(const QWidget* window, UINT controlId);
