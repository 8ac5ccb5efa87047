#ifndef WINDOWIMP_H
#define WINDOWIMP_H

#include "settings.h"

#include <vector>

namespace quilex_gui_qtlib {
struct DisplayContext;
}

namespace quilex_gui {

class State;

// What a record parser may ask of the display window. The parsers know no
// widgets; they draw through this interface, and reach the station's one
// parameter store through it too. The order of the operations is part of the
// interface: keep new ones at the end.
class WindowImp
{
public:
    explicit WindowImp(const quilex_gui_qtlib::DisplayContext *context);
    virtual ~WindowImp();

    WindowImp(const WindowImp &) = delete;
    WindowImp &operator=(const WindowImp &) = delete;

    virtual void setSceneActive(bool active) = 0;
    virtual void sendCommand(int flag) = 0;
    virtual void clearScene() = 0;
    virtual void refreshScene() = 0;
    virtual void clearLog() = 0;
    virtual void resetScene() = 0;
    virtual void appendLog(const char *text) = 0;
    virtual void updateScene() = 0;
    virtual void showBlankScene() = 0;
    virtual void showNormalScene(State *source) = 0;
    virtual void showDebugScene(State *source) = 0;
    virtual void showBendingDebugScene(State *source) = 0;
    virtual void showRasterScene(State *source) = 0;
    virtual void showSingleDebugScene(State *source) = 0;
    virtual void showSingleDebugThresholdScene(State *source) = 0;
    virtual void showSingleDebugZeroScene(State *source) = 0;
    virtual void showMultiFingerLiftScene(State *source) = 0;
    virtual void showMultiFingerScene(State *source) = 0;
    virtual void showQualificationScene(State *source) = 0;
    virtual void requestMasterDownload() = 0;
    virtual void showMasterVersion(const char *version) = 0;
    virtual void setScanParameter(int value) = 0;
    virtual void setEffectParameter(int value) = 0;
    virtual void setCrossX(int value) = 0;
    virtual void setCrossY(int value) = 0;
    virtual void masterVersion(const char *version) = 0;
    virtual void slaveVersion(const char *version) = 0;
    virtual void electrodesX(const char *value) = 0;
    virtual void electrodesY(const char *value) = 0;
    virtual void reserved1(int value) = 0;
    virtual void reserved2(int value) = 0;

    // The station's one parameter store; the main window loads and saves it.
    Settings *settings() { return &m_settings; }
    const Settings *settings() const { return &m_settings; }

    const quilex_gui_qtlib::DisplayContext *context() const { return m_context; }

protected:
    Settings m_settings;
    // Spare value sequences of the interface; nothing in the station uses them yet.
    std::vector<int> m_values1;
    std::vector<int> m_values2;
    std::vector<int> m_values3;
    const quilex_gui_qtlib::DisplayContext *m_context;
};

} // namespace quilex_gui

#endif
