#include "app/framework/edit_box.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "app/framework/main_window.h"

EditBox::EditBox(UINT controlId, QWidget* parent) : QLineEdit(parent), m_controlId(controlId) {}

void EditBox::SetWindowText(const std::string& text)
{
    setText(QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
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
    if (m_numberOnly && !enter) {
        const QString typed = event->text();
        const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
        if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            for (const QChar c : typed) {
                if (c < u'0' || c > u'9') {
                    event->accept();
                    return;
                }
            }
        }
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
