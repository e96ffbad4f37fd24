// CAboutDlg: the about box. Caption "About KESTREL", the application icon at
// the top left, the version line and a few lines about the program, and an
// OK button (the default button) centred at the bottom. No data of its own.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Shows the box modally through the installed runner.
    int DoModal();

    // A modal loop would block a headless test, so the loop sits behind a
    // replaceable function. Returns the runner in force before.
    using ModalRunner = std::function<int(QDialog&)>;
    static ModalRunner SetModalRunner(ModalRunner runner);

    QLabel* IconLabel() const { return m_pIcon; }
    QPushButton* OkButton() const { return m_pOk; }

private:
    QLabel* m_pIcon;
    QPushButton* m_pOk;
};
