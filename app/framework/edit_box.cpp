#include "app/framework/edit_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QValidator>

#include "app/framework/main_window.h"

namespace {

// Drops every character but the digits, wherever the text came from, and
// keeps the cursor after the same digits.
class DigitsOnly : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        QString digits;
        int digitsBeforeCursor = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (input[i] < u'0' || input[i] > u'9') continue;
            digits += input[i];
            if (i < pos) ++digitsBeforeCursor;
        }
        input = digits;
        pos = digitsBeforeCursor;
        return Acceptable;
    }
};

}  // namespace

EditBox::EditBox(UINT controlId, QWidget* parent) : QLineEdit(parent), m_controlId(controlId) {}

void EditBox::SetNumberOnly(bool numberOnly) { setValidator(numberOnly ? new DigitsOnly(this) : nullptr); }

void EditBox::SetWindowText(const std::string& text)
{
    // Shown as given: QLineEdit would pass it through the validator too.
    const QValidator* kept = validator();
    setValidator(nullptr);
    setText(QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
    setValidator(kept);
}

std::string EditBox::GetWindowText() const { return text().toLocal8Bit().toStdString(); }

void EditBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    Notify(EN_SETFOCUS);
}

void EditBox::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The box's own context menu takes the focus only for a moment; a
    // classic edit control keeps it then, so this is no loss of focus.
    if (event->reason() == Qt::PopupFocusReason) return;
    Notify(EN_KILLFOCUS);
}

void EditBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_enterMovesFocus) {
        if (QWidget* main = GetMainWindow()) main->setFocus(Qt::OtherFocusReason);
    }
    QLineEdit::keyPressEvent(event);
}

void EditBox::Notify(UINT code)
{
    if (m_notify) m_notify(m_controlId, code);
}

EditBox* FindEditBox(const QWidget* window, UINT controlId)
{
    if (!window) return nullptr;
    for (EditBox* box : window->findChildren<EditBox*>()) {
        if (box->ControlId() == controlId) return box;
    }
    return nullptr;
}
