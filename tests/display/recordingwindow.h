#ifndef RECORDINGWINDOW_H
#define RECORDINGWINDOW_H

#include "windowimp.h"

#include <QStringList>

// A display window that only writes down what the parser asked of it.
class RecordingWindow : public quilex_gui::WindowImp
{
public:
    RecordingWindow() : WindowImp(nullptr) {}

    QStringList calls;
    quilex_gui::State *lastSource = nullptr;

    int count(const QString &call) const { return static_cast<int>(calls.count(call)); }
    QStringList take()
    {
        QStringList c = calls;
        calls.clear();
        return c;
    }

    void setSceneActive(bool) override { calls << "setSceneActive"; }
    void sendCommand(int) override { calls << "sendCommand"; }
    void clearScene() override { calls << "clearScene"; }
    void refreshScene() override { calls << "refreshScene"; }
    void clearLog() override { calls << "clearLog"; }
    void resetScene() override { calls << "resetScene"; }
    void appendLog(const char *) override { calls << "appendLog"; }
    void updateScene() override { calls << "updateScene"; }
    void showBlankScene() override { calls << "showBlankScene"; }
    void showNormalScene(quilex_gui::State *s) override { record("showNormalScene", s); }
    void showDebugScene(quilex_gui::State *s) override { record("showDebugScene", s); }
    void showBendingDebugScene(quilex_gui::State *s) override { record("showBendingDebugScene", s); }
    void showRasterScene(quilex_gui::State *s) override { record("showRasterScene", s); }
    void showSingleDebugScene(quilex_gui::State *s) override { record("other", s); }
    void showSingleDebugThresholdScene(quilex_gui::State *s) override { record("other", s); }
    void showSingleDebugZeroScene(quilex_gui::State *s) override { record("other", s); }
    void showMultiFingerLiftScene(quilex_gui::State *s) override { record("other", s); }
    void showMultiFingerScene(quilex_gui::State *s) override { record("other", s); }
    void showQualificationScene(quilex_gui::State *s) override { record("other", s); }
    void requestMasterDownload() override { calls << "other"; }
    void showMasterVersion(const char *) override { calls << "other"; }
    void setScanParameter(int) override { calls << "other"; }
    void setEffectParameter(int) override { calls << "other"; }
    void setCrossX(int) override { calls << "other"; }
    void setCrossY(int) override { calls << "other"; }
    void masterVersion(const char *) override { calls << "other"; }
    void slaveVersion(const char *) override { calls << "other"; }
    void electrodesX(const char *) override { calls << "other"; }
    void electrodesY(const char *) override { calls << "other"; }
    void reserved1(int) override { calls << "other"; }
    void reserved2(int) override { calls << "other"; }

private:
    void record(const char *call, quilex_gui::State *s)
    {
        calls << call;
        lastSource = s;
    }
};

#endif
