#include "app/shot_number_edit.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionFrame>

CShotNumberEdit::CShotNumberEdit(QWidget* parent) : EditBox(IDC_SHOT_NUMBER, parent)
{
    setObjectName(QStringLiteral("shotNumber"));
    SetNumberOnly(true);
    SetEnterMovesFocusToMainWindow(true);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextMargins(TEXT_MARGIN, 0, TEXT_MARGIN, 0);
    setFrame(true);
}

void CShotNumberEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool digit = typed.size() == 1 && typed.at(0) >= u'0' && typed.at(0) <= u'9';
    if (digit && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && TextWouldOverflow(typed)) {
        event->accept();
        return;
    }
    EditBox::keyPressEvent(event);
}

bool CShotNumberEdit::focusNextPrevChild(bool) { return true; }

bool CShotNumberEdit::TextWouldOverflow(const QString& typed) const
{
    QString after = text();
    if (hasSelectedText()) {
        after.remove(selectionStart(), selectedText().size());
        after.insert(selectionStart(), typed);
    } else {
        after.insert(cursorPosition(), typed);
    }
    // The room the text has: the box less its frame and margins.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect inner = style()->subElementRect(QStyle::SE_LineEditContents, &option, this)
                            .marginsRemoved(textMargins());
    // QLineEdit keeps a further 2 pixels on each side of its text.
    constexpr int lineEditMargins = 2 * 2;
    return fontMetrics().horizontalAdvance(after) > inner.width() - lineEditMargins;
}
