#include "app/about_dialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "app/app_icon.h"

namespace {

CAboutDlg::ModalRunner& InstalledRunner()
{
    static CAboutDlg::ModalRunner runner = [](QDialog& dialog) { return dialog.exec(); };
    return runner;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About KESTREL"));
    setObjectName(QStringLiteral("CAboutDlg"));

    m_pIcon = new QLabel(this);
    m_pIcon->setObjectName(QStringLiteral("aboutIcon"));
    m_pIcon->setPixmap(ApplicationIcon().pixmap(32, 32));
    m_pIcon->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* lines = new QVBoxLayout;
    for (const char* text : {"KESTREL Version 1.2", "Plays a directory of GIF images as a sequence of shots.",
                             "Copyright (C) ORVANE, INC."}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setObjectName(QStringLiteral("aboutText"));
        lines->addWidget(label);
    }
    lines->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(m_pIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(lines, 1);

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setDefault(true);
    m_pOk->setAutoDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addWidget(m_pOk, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int CAboutDlg::DoModal()
{
    const ModalRunner runner = InstalledRunner();
    return runner ? runner(*this) : QDialog::Rejected;
}

CAboutDlg::ModalRunner CAboutDlg::SetModalRunner(ModalRunner runner)
{
    return std::exchange(InstalledRunner(), std::move(runner));
}
