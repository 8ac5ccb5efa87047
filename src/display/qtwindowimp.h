#ifndef QTWINDOWIMP_H
#define QTWINDOWIMP_H

#include "windowimp.h"

#include <QObject>

#include <memory>

namespace quilex_gui_qtlib {

struct DisplayContext;
class DisplayView;
class Scene;

// The display window object: draws the parsers' scenes into the context's
// view and holds the station's one parameter store. Operations that need a
// widget the context lacks do nothing.
class QtWindowImp : public QObject, public quilex_gui::WindowImp
{
    Q_OBJECT

public:
    explicit QtWindowImp(const DisplayContext *context);
    ~QtWindowImp() override;

    void setSceneActive(bool active) override;
    void sendCommand(int flag) override;
    void clearScene() override;
    void refreshScene() override;
    void clearLog() override;
    void resetScene() override;
    void appendLog(const char *text) override;
    void updateScene() override;
    void showBlankScene() override;
    void showNormalScene(quilex_gui::State *source) override;
    void showDebugScene(quilex_gui::State *source) override;
    void showBendingDebugScene(quilex_gui::State *source) override;
    void showRasterScene(quilex_gui::State *source) override;
    void showSingleDebugScene(quilex_gui::State *source) override;
    void showSingleDebugThresholdScene(quilex_gui::State *source) override;
    void showSingleDebugZeroScene(quilex_gui::State *source) override;
    void showMultiFingerLiftScene(quilex_gui::State *source) override;
    void showMultiFingerScene(quilex_gui::State *source) override;
    void showQualificationScene(quilex_gui::State *source) override;
    void requestMasterDownload() override;
    void showMasterVersion(const char *version) override;
    void setScanParameter(int value) override;
    void setEffectParameter(int value) override;
    void setCrossX(int value) override;
    void setCrossY(int value) override;
    void masterVersion(const char *version) override;
    void slaveVersion(const char *version) override;
    void electrodesX(const char *value) override;
    void electrodesY(const char *value) override;
    void reserved1(int value) override;
    void reserved2(int value) override;

    // The log pane is cleared before an append once it holds more lines than this.
    static constexpr int LogLineLimit = 2000;

signals:
    void ScanParameters();
    void DrawEffect();
    void CheckCrossX();
    void CheckCrossY();
    void SignalRequestMasterDownload();
    void SignalMasterVersion(const char *version);
    void SignalSlaveVersion(const char *version);
    void SignalElectrodesX(const char *value);
    void SignalElectrodesY(const char *value);
    void SignalCommand(int flag);

private:
    DisplayView *view() const;
    std::shared_ptr<Scene> currentScene() const;
    // Draws the new scene's items and makes it the view's current scene.
    void install(std::shared_ptr<Scene> scene);
    // Writes the value into the parameter list's current row and the store.
    void editCurrentParameter(int value);
};

} // namespace quilex_gui_qtlib

#endif
