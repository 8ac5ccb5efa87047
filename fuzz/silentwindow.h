#ifndef SILENTWINDOW_H
#define SILENTWINDOW_H

// A display window that draws nothing, for targets that feed the record
// parsers; a target overrides what it wants to watch.

#include "windowimp.h"

namespace fuzz {

class SilentWindow : public quilex_gui::WindowImp
{
public:
    SilentWindow() : WindowImp(nullptr) {}

    void setSceneActive(bool) override {}
    void sendCommand(int) override {}
    void clearScene() override {}
    void refreshScene() override {}
    void clearLog() override {}
    void resetScene() override {}
    void appendLog(const char *) override {}
    void updateScene() override {}
    void showBlankScene() override {}
    void showNormalScene(quilex_gui::State *) override {}
    void showDebugScene(quilex_gui::State *) override {}
    void showBendingDebugScene(quilex_gui::State *) override {}
    void showRasterScene(quilex_gui::State *) override {}
    void showSingleDebugScene(quilex_gui::State *) override {}
    void showSingleDebugThresholdScene(quilex_gui::State *) override {}
    void showSingleDebugZeroScene(quilex_gui::State *) override {}
    void showMultiFingerLiftScene(quilex_gui::State *) override {}
    void showMultiFingerScene(quilex_gui::State *) override {}
    void showQualificationScene(quilex_gui::State *) override {}
    void requestMasterDownload() override {}
    void showMasterVersion(const char *) override {}
    void setScanParameter(int) override {}
    void setEffectParameter(int) override {}
    void setCrossX(int) override {}
    void setCrossY(int) override {}
    void masterVersion(const char *) override {}
    void slaveVersion(const char *) override {}
    void electrodesX(const char *) override {}
    void electrodesY(const char *) override {}
    void reserved1(int) override {}
    void reserved2(int) override {}
};

} // namespace fuzz

#endif
