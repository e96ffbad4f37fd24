// ITextBox: the text of an edit box, as a document writes and reads it.
// The widget behind it lives with the main window; the document keeps a
// reference it does not own.
#pragma once

#include <string>

class ITextBox {
public:
    virtual ~ITextBox() = default;
    virtual void SetWindowText(const std::string& text) = 0;
    virtual std::string GetWindowText() const = 0;
};
