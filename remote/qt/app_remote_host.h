// AppRemoteHost: the running application as the control socket and the
// media-player interface see it.
#pragma once

#include "remote/remote_host.h"

class CKESTRELApp;

class AppRemoteHost : public RemoteHost {
public:
    explicit AppRemoteHost(CKESTRELApp& app) : m_app(app) {}

    ShotPlayer& Player() override;
    bool Open(const std::string& path) override;
    bool Following() const override;
    bool FollowNewest() const override;
    void SetFollowNewest(bool on) override;
    double Zoom() const override;
    std::string Fit() const override;
    bool Screenshot(const std::string& path) override;
    void Quit() override;
    void CommandDone() override;

private:
    CKESTRELApp& m_app;
};
