// A test host for the player view: a frame window with the two toolbar
// boxes (shot number 101, status 102), one action per command, the shot list
// document and the view, wired as the application wires them, plus an
// application target that answers the about command. Shots can be given to
// the document directly as images with known pixels.
#pragma once

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QToolBar>
#include <QtTest/QTest>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/commands/command_ids.h"
#include "app/commands/command_table.h"
#include "app/framework/edit_box.h"
#include "app/framework/frame_window.h"
#include "app/framework/main_window.h"
#include "shots/qt/player_view.h"
#include "shots/shot_list_document.h"
#include "tests/qt/shot_files.h"

namespace shots_test {

// Answers the about command as the application does, counting the runs.
class AboutTarget : public CommandTarget {
public:
    AboutTarget() { OnCommand(ID_APP_ABOUT, [this] { ++m_runs; }); }
    int m_runs = 0;
};

// The commands the toolbar and keys offer, with their ids.
inline constexpr UINT kViewCommands[] = {ID_FILE_OPEN, ID_APP_ABOUT,  ID_SHOT_PLAY,     ID_SHOT_STOP,
                                         ID_SHOT_FIRST, ID_SHOT_PREVIOUS, ID_SHOT_NEXT, ID_SHOT_LAST,
                                         ID_FIT_TO_SCREEN};

class ViewHost {
public:
    explicit ViewHost(QSize frameSize = QSize(480, 360))
    {
        m_frame = new FrameWindow;
        SetMainWindow(m_frame);
        auto* toolbar = m_frame->addToolBar(QStringLiteral("Shots"));
        number = new EditBox(IDC_SHOT_NUMBER);
        number->SetNumberOnly(true);
        number->SetEnterMovesFocusToMainWindow(true);
        status = new EditBox(IDC_SHOT_STATUS);
        status->setReadOnly(true);
        toolbar->addWidget(number);
        toolbar->addWidget(status);
        m_frame->AddEditBox(number);
        m_frame->AddEditBox(status);

        for (UINT id : {ID_SHOT_NEXT, ID_SHOT_PREVIOUS, ID_SHOT_LAST, ID_SHOT_FIRST, ID_SHOT_PAUSE, ID_SHOT_PLAY,
                        ID_SHOT_STOP, ID_FIT_IMAGE, ID_FIT_TO_SCREEN})
            m_frame->Actions().Add(id, CommandPromptAndTip(id));
        m_frame->Actions().Add(ID_FILE_OPEN, "Open\nOpen", {QKeySequence(QStringLiteral("Ctrl+O"))});
        m_frame->Actions().Add(ID_APP_ABOUT, "About\nAbout");
        m_frame->Actions().Action(ID_FIT_TO_SCREEN)->setCheckable(true);
        for (UINT id : kViewCommands) toolbar->addAction(m_frame->Actions().Action(id));

        view = new CKestrel(&doc);
        m_frame->SetView(view);
        m_frame->SetApplicationTarget(&about);
        m_frame->resize(frameSize);
        m_frame->show();
        m_frame->activateWindow();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(m_frame);
        m_frame->NewDocumentStep();
        Settle();
    }

    ~ViewHost()
    {
        delete m_frame;  // the view goes with it, before the document
    }

    ViewHost(const ViewHost&) = delete;
    ViewHost& operator=(const ViewHost&) = delete;

    FrameWindow& Frame() { return *m_frame; }

    // Lets queued work (sizes set while painting, resizes) take effect.
    static void Settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }

    // Lists dir and shows its first shot, as the open command does.
    void Open(const ShotDir& dir)
    {
        ScopedFileDialog dialog(dir.Path(FirstFileName(dir)));
        Execute(ID_FILE_OPEN);
    }

    bool Execute(UINT id) { return m_frame->Router().Execute(id); }
    bool Enabled(UINT id)
    {
        m_frame->UpdateCommandUI();
        return m_frame->Router().IsEnabled(id);
    }
    // The enabled state the toolbar button shows right now.
    bool ButtonEnabled(UINT id) const { return m_frame->Actions().Action(id)->isEnabled(); }

    // Paints the view into an image, as the window shows it, twice, so that
    // sizes the paint sets have settled.
    QImage Grab()
    {
        view->viewport()->grab();
        Settle();
        const QImage image = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        Settle();
        return image;
    }

    CKESTRELDoc doc;
    AboutTarget about;
    CKestrel* view = nullptr;
    EditBox* number = nullptr;
    EditBox* status = nullptr;

private:
    static std::string FirstFileName(const ShotDir& dir);

    FrameWindow* m_frame = nullptr;
};

inline std::string ViewHost::FirstFileName(const ShotDir& dir)
{
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) {
        return entry.path().filename().string();
    }
    return "none.gif";
}

// An 8-bit image with a 4-entry colour table and indices given row by row
// from the top of the picture.
inline std::unique_ptr<CDibImage> IndexedShot(int width, int height, std::array<Rgb, 4> palette,
                                              const std::vector<std::uint8_t>& topDownIndices,
                                              int transparentIndex = -1)
{
    auto image = std::make_unique<CDibImage>(ImageFormat::Gif);
    image->Create(width, height, 8, ImageFormat::Gif);
    for (int i = 0; i < 4; ++i) {
        image->SetPaletteEntry(BYTE(i), palette[std::size_t(i)][0], palette[std::size_t(i)][1],
                               palette[std::size_t(i)][2], 0);
    }
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            image->SetPixelIndex(x, height - 1 - row, topDownIndices[std::size_t(row * width + x)]);
        }
    }
    image->SetTransparentIndex(transparentIndex);
    return image;
}

inline std::unique_ptr<CDibImage> SolidShot(int width, int height, Rgb colour)
{
    return IndexedShot(width, height, {colour, Rgb{0, 0, 0}, Rgb{0, 0, 0}, Rgb{0, 0, 0}},
                       std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height), 0));
}

inline QRgb ToQRgb(Rgb colour) { return qRgb(colour[0], colour[1], colour[2]); }

}  // namespace shots_test
