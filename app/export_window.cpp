#include "app/export_window.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include "export/export_command.h"
#include "shots/qt/player_view.h"
#include "shots/shot_list_document.h"

namespace {

QString ChooseWithDialog(QWidget* parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export"), QString(), ExportFileFilter());
}

void TellWithBox(QWidget* parent, bool done, const QString& text)
{
    if (done) {
        QMessageBox::information(parent, QStringLiteral("Export"), text);
    } else {
        QMessageBox::warning(parent, QStringLiteral("Export"), text);
    }
}

ExportWindowDialogs& Dialogs()
{
    static ExportWindowDialogs dialogs{ChooseWithDialog, TellWithBox};
    return dialogs;
}

}  // namespace

QString ExportFileFilter()
{
    return QStringLiteral(
        "Animated GIF (*.gif);;MP4 video, H.264 (*.mp4);;WebM video, VP9 (*.webm);;Matroska video, H.264 (*.mkv);;"
        "Contact sheets, PNG (*.png);;Contact sheets, JPEG (*.jpg)");
}

ExportWindowDialogs SetExportWindowDialogs(ExportWindowDialogs dialogs)
{
    ExportWindowDialogs previous = Dialogs();
    Dialogs().chooseFile = dialogs.chooseFile ? std::move(dialogs.chooseFile) : ChooseWithDialog;
    Dialogs().tell = dialogs.tell ? std::move(dialogs.tell) : TellWithBox;
    return previous;
}

bool RunWindowExport(QWidget* parent, const CKESTRELDoc& document, const CKestrel& view)
{
    if (document.ShotCount() == 0) return false;
    const QString out = Dialogs().chooseFile(parent);
    if (out.isEmpty()) return false;

    ExportSettings settings;
    settings.out = out.toLocal8Bit().toStdString();
    settings.intervalMs = view.m_player.IntervalMs();
    const QString suffix = out.section(u'.', -1).toLower();
    if (suffix == QLatin1String("png") || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        settings.sheet = SheetLayout{WINDOW_SHEET_COLUMNS, WINDOW_SHEET_ROWS};
    const std::vector<ExportShot> shots = ExportShotsOf(document, std::size_t(view.RangeFirst()),
                                                        std::size_t(view.RangeLast()), view.m_player.Order().reverse);

    QProgressDialog progress(QStringLiteral("Exporting %1 shots").arg(shots.size()), QStringLiteral("Cancel"), 0,
                             int(shots.size()), parent);
    progress.setWindowTitle(QStringLiteral("Export"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setValue(0);
    const ExportOutcome outcome = ExportShots(shots, settings, [&progress](std::size_t done, std::size_t) {
        progress.setValue(int(done));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.close();
    if (outcome.status == ExportOutcome::Status::Cancelled) return false;
    const bool done = outcome.status == ExportOutcome::Status::Done;
    QString text = QString::fromLocal8Bit(ExportSummary(outcome).c_str());
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    Dialogs().tell(parent, done, text + u'.');
    return done;
}
