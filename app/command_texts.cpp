#include "app/command_texts.h"

#include "app/export_window.h"
#include "shots/qt/shot_directory_follower.h"
#include "shots/review_ids.h"
#include "shots/shot_ids.h"
#include "shots/timeline_ids.h"
#include "shots/view_commands.h"

namespace {

constexpr CommandText kFrameworkCommandTexts[] = {
    {ID_FILE_NEW, "Start the shot list again\nNew"},
    {ID_FILE_OPEN, "Open a GIF file and list the shots of its directory\nOpen"},
    {ID_APP_ABOUT, "Show the program's name and version\nAbout"},
    {ID_CONTEXT_HELP, "Open the help file\nHelp"},
    {ID_HELP, "Open the help file\nHelp"},
    {ID_HELP_FINDER, "Open the help file\nHelp Topics"},
    {ID_DEFAULT_HELP, "Open the help file\nHelp"},
};

}  // namespace

const char* CommandPromptAndTip(UINT id)
{
    for (const CommandText& entry : kFrameworkCommandTexts) {
        if (entry.id == id) return entry.text;
    }
    for (const CommandText& entry : kShotCommandTexts) {
        if (entry.id == id) return entry.text;
    }
    for (const CommandText& entry : kViewCommandTexts) {
        if (entry.id == id) return entry.text;
    }
    for (const CommandText& entry : kReviewCommandTexts) {
        if (entry.id == id) return entry.text;
    }
    if (id == ID_FOLLOW_NEWEST) return FOLLOW_NEWEST_TEXT;
    if (id == ID_VIEW_TIMELINE) return TIMELINE_TEXT;
    if (id == ID_FILE_EXPORT) return EXPORT_TEXT;
    return nullptr;
}
