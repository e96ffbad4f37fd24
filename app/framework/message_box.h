// A message to the user in a modal box. The box blocks until answered, so
// tests put in their own shower, which records what would have been said.
#pragma once

#include <QString>
#include <functional>

class QWidget;

using MessageBoxShower = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// Returns the shower in force before.
MessageBoxShower SetMessageBoxShower(MessageBoxShower shower);
void ShowMessageBox(QWidget* parent, const QString& title, const QString& text);
