// A player on a document of real files and a host that records what the
// protocol asked of it, for the tests of the control protocol.
#pragma once

#include <string>
#include <vector>

#include "remote/remote_host.h"
#include "shots/playback/shot_player.h"
#include "tests/qt/shot_files.h"

namespace remote_test {

// Shot numbers 1, 2, 3, 3, 7 listed in that order; the shot at position
// shown (1-based, 0: none) on display.
struct FakeHost : RemoteHost {
    explicit FakeHost(int shown = 1) : player(doc, [this] { return now; })
    {
        long long second = 1000;
        for (const char* name : {"s0001.gif", "s0002.gif", "s0003.gif", "t0003.gif", "s0007.gif"})
            dir.AddFile(name, second++);
        doc.m_strDirectory = dir.Dir();
        doc.ScanDirectory();
        if (shown > 0) doc.LoadShotAt(std::size_t(shown - 1));
        player.SetHost({.setTimer = [](int) {}, .showNow = [] { return true; }, .ready = {}, .decodeMs = {}});
    }

    ShotPlayer& Player() override { return player; }
    bool Open(const std::string& path) override
    {
        opened.push_back(path);
        return path != "/no/such";
    }
    bool Following() const override { return false; }
    bool FollowNewest() const override { return followNewest; }
    void SetFollowNewest(bool on) override { followNewest = on; }
    double Zoom() const override { return 1.0; }
    std::string Fit() const override { return "stretch"; }
    bool Screenshot(const std::string& path) override { return path != "/no/such"; }
    void Quit() override { ++quits; }
    void CommandDone() override { ++done; }

    shots_test::ShotDir dir;
    CKESTRELDoc doc;
    PlayPacer::Duration now{};
    ShotPlayer player;
    std::vector<std::string> opened;
    bool followNewest = false;
    int quits = 0;
    int done = 0;
};

}  // namespace remote_test
