#include "app/shot_toolbar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QVariant>

#include "app/commands/command_ids.h"
#include "app/commands/command_table.h"

namespace {

// Toolbar resource 128: buttons with their pictures, 0 for a separator.
struct ToolbarButton {
    UINT id;
    const char* picture;
};

constexpr ToolbarButton kToolbarResource[] = {
    {ID_FILE_OPEN, "open"},
    {0, nullptr},
    {ID_APP_ABOUT, "about"},
    {0, nullptr},
    {ID_CONTEXT_HELP, "help"},
    {0, nullptr},
    {ID_SHOT_PLAY, "play"},
    {ID_SHOT_STOP, "stop"},
    {0, nullptr},
    {ID_FIT_TO_SCREEN, "fit"},
    {0, nullptr},
    {ID_SHOT_FIRST, "first"},
    {ID_SHOT_PREVIOUS, "previous"},
    {0, nullptr},
    {ID_SHOT_NEXT, "next"},
    {ID_SHOT_LAST, "last"},
};

constexpr const char* ITEM_ID_PROPERTY = "kestrelItemId";

// The picture, and for high-density screens the same picture with each pixel
// doubled and tripled: pixel art stays sharp where a smoothed enlargement
// would blur it.
QIcon ToolbarIcon(const QPixmap& picture)
{
    QIcon icon(picture);
    for (const int scale : {2, 3}) {
        QPixmap larger = picture.scaled(picture.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        larger.setDevicePixelRatio(scale);
        icon.addPixmap(larger);
    }
    return icon;
}

}  // namespace

CShotToolBar::CShotToolBar(QWidget* parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("CShotToolBar"));
    setWindowTitle(QStringLiteral("Toolbar"));
    // The pictures are 16 x 15, as the classic toolbar bitmap holds them.
    setIconSize(QSize(16, 15));
    m_wndShotStatus = new EditBox(IDC_SHOT_STATUS, this);
    m_wndShotNumber = new CShotNumberEdit(this);
    // Written by the document only; no frame, as a plain child edit control.
    m_wndShotStatus->setObjectName(QStringLiteral("shotStatus"));
    m_wndShotStatus->setReadOnly(true);
    m_wndShotStatus->setFrame(false);
    // The boxes take the focus from a click only: Tab never moves into them.
    m_wndShotStatus->setFocusPolicy(Qt::ClickFocus);
    m_wndShotNumber->setFocusPolicy(Qt::ClickFocus);
}

bool CShotToolBar::LoadToolBar(CommandActions& actions)
{
    for (const ToolbarButton& button : kToolbarResource) {
        if (button.id == 0) {
            addSeparator();
            continue;
        }
        const QPixmap picture(QStringLiteral(":/kestrel/toolbar/%1.xpm").arg(QLatin1String(button.picture)));
        if (picture.isNull()) return false;
        QAction* action = actions.Add(button.id, CommandPromptAndTip(button.id));
        action->setIcon(ToolbarIcon(picture));
        action->setProperty(ITEM_ID_PROPERTY, QVariant(button.id));
        addAction(action);
    }
    return true;
}

void CShotToolBar::SetBoxSlot(int index, UINT id, int width, QWidget* box, int topOffset)
{
    auto* slot = new QWidget(this);
    slot->setFixedWidth(width);
    auto* layout = new QHBoxLayout(slot);
    layout->setContentsMargins(BOX_LEFT_OFFSET, topOffset, 0, 0);
    layout->setSpacing(0);
    box->setParent(slot);
    layout->addWidget(box);

    QAction* replaced = ItemAction(index);
    QAction* item = replaced ? insertWidget(replaced, slot) : addWidget(slot);
    item->setProperty(ITEM_ID_PROPERTY, QVariant(id));
    if (replaced) {
        removeAction(replaced);
        if (replaced->isSeparator()) delete replaced;
    }
}

void CShotToolBar::SetButtonCheckBox(int index)
{
    if (QAction* action = ItemAction(index)) action->setCheckable(true);
}

int CShotToolBar::ItemCount() const { return int(actions().size()); }

QAction* CShotToolBar::ItemAction(int index) const
{
    const QList<QAction*> items = actions();
    return index >= 0 && index < items.size() ? items[index] : nullptr;
}

UINT CShotToolBar::ItemId(int index) const
{
    const QAction* action = ItemAction(index);
    return action ? action->property(ITEM_ID_PROPERTY).toUInt() : 0;
}

bool CShotToolBar::IsPlainSeparator(int index) const
{
    const QAction* action = ItemAction(index);
    return action && action->isSeparator();
}

int CShotToolBar::CommandToIndex(UINT id) const
{
    for (int i = 0; i < ItemCount(); ++i) {
        if (ItemId(i) == id) return i;
    }
    return -1;
}
