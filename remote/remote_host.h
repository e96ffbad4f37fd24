// RemoteHost: what the control socket and the desktop's media keys drive,
// apart from the player itself. The application implements it (remote/qt);
// tests give a fake. Everything runs on the user-interface thread.
#pragma once

#include <string>

class ShotPlayer;

class RemoteHost {
public:
    virtual ~RemoteHost() = default;

    virtual ShotPlayer& Player() = 0;
    // Opens the shots of path as the open command does; false when path
    // cannot be opened.
    virtual bool Open(const std::string& path) = 0;
    // Whether the document's directory is followed, and whether the newest
    // shot is kept on display.
    virtual bool Following() const = 0;
    virtual bool FollowNewest() const = 0;
    virtual void SetFollowNewest(bool on) = 0;
    // The zoom factor of the shot on display (1 is its own size) and how it
    // is fitted: "off", "stretch" or "aspect".
    virtual double Zoom() const = 0;
    virtual std::string Fit() const = 0;
    // Saves the main window as PNG; false when it cannot be written.
    virtual bool Screenshot(const std::string& path) = 0;
    // Ends the program once the reply is on its way.
    virtual void Quit() = 0;
    // A command changed something: the toolbar follows.
    virtual void CommandDone() = 0;
};
