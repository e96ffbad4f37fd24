#include "app/framework/message_box.h"

#include <QMessageBox>
#include <utility>

namespace {

MessageBoxShower& InstalledShower()
{
    static MessageBoxShower shower = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox::warning(parent, title, text);
    };
    return shower;
}

}  // namespace

MessageBoxShower SetMessageBoxShower(MessageBoxShower shower)
{
    return std::exchange(InstalledShower(), std::move(shower));
}

void ShowMessageBox(QWidget* parent, const QString& title, const QString& text)
{
    const MessageBoxShower shower = InstalledShower();
    if (shower) shower(parent, title, text);
}
