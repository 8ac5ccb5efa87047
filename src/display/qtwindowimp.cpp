#include "qtwindowimp.h"

#include "btnscene.h"
#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "debugscene.h"
#include "displaycontext.h"
#include "displayview.h"
#include "normalscene.h"
#include "rasterscene.h"

#include <QGraphicsScene>
#include <QLCDNumber>
#include <QLabel>
#include <QListWidget>
#include <QTextEdit>

namespace quilex_gui_qtlib {

QtWindowImp::QtWindowImp(const DisplayContext *context)
    : QObject(nullptr)
    , WindowImp(context)
{
}

QtWindowImp::~QtWindowImp() = default;

DisplayView *QtWindowImp::view() const
{
    return m_context ? m_context->view : nullptr;
}

std::shared_ptr<Scene> QtWindowImp::currentScene() const
{
    DisplayView *v = view();
    return v ? v->currentScene() : nullptr;
}

void QtWindowImp::install(std::shared_ptr<Scene> scene)
{
    scene->draw();
    view()->setCurrentScene(std::move(scene));
}

void QtWindowImp::setSceneActive(bool active)
{
    if (const auto scene = currentScene())
        scene->setActive(active);
}

void QtWindowImp::sendCommand(int flag)
{
    emit SignalCommand(flag);
}

void QtWindowImp::clearScene()
{
    DisplayView *v = view();
    if (!v)
        return;
    if (const auto scene = v->currentScene())
        scene->itemsCleared();
    v->graphicsScene()->clear();
}

void QtWindowImp::refreshScene()
{
    resetScene();
}

void QtWindowImp::clearLog()
{
    if (m_context && m_context->logPane)
        m_context->logPane->clear();
}

void QtWindowImp::resetScene()
{
    if (const auto scene = currentScene())
        scene->reset();
}

void QtWindowImp::appendLog(const char *text)
{
    QTextEdit *pane = m_context ? m_context->logPane : nullptr;
    if (!pane || !text)
        return;
    if (pane->document()->lineCount() > LogLineLimit)
        pane->clear();
    pane->append(QString::fromLatin1(text));
}

void QtWindowImp::updateScene()
{
    if (const auto scene = currentScene())
        scene->update();
}

void QtWindowImp::showBlankScene()
{
    if (DisplayView *v = view())
        install(std::make_shared<Scene>(v->graphicsScene()));
}

void QtWindowImp::showNormalScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<NormalScene>(v->graphicsScene(),
                                              dynamic_cast<quilex_gui::Normal *>(source)));
}

void QtWindowImp::showDebugScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<DebugScene>(v->graphicsScene(),
                                             dynamic_cast<quilex_gui::RawData *>(source)));
}

void QtWindowImp::showBendingDebugScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<BendingDebugScene>(v->graphicsScene(), source));
}

void QtWindowImp::showRasterScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<RasterScene>(v->graphicsScene(),
                                              dynamic_cast<quilex_gui::CoreRaster *>(source)));
}

void QtWindowImp::showSingleDebugScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<SingleDebugScene>(v->graphicsScene(), source));
}

void QtWindowImp::showSingleDebugThresholdScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<SingleDebugThresholdScene>(v->graphicsScene(), source));
}

void QtWindowImp::showSingleDebugZeroScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<SingleDebugZeroScene>(v->graphicsScene(), source));
}

void QtWindowImp::showMultiFingerLiftScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<MultiFingerLiftScene>(v->graphicsScene(), source));
}

void QtWindowImp::showMultiFingerScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<MultiFingerScene>(v->graphicsScene(), source));
}

void QtWindowImp::showQualificationScene(quilex_gui::State *source)
{
    if (DisplayView *v = view())
        install(std::make_shared<QualificationScene>(v->graphicsScene(), source));
}

void QtWindowImp::requestMasterDownload()
{
    emit SignalRequestMasterDownload();
}

void QtWindowImp::showMasterVersion(const char *version)
{
    if (!m_context || !m_context->versionCaption || !m_context->versionText)
        return;
    m_context->versionCaption->setText(QStringLiteral("Master Version:"));
    m_context->versionText->setText(QString::fromLatin1(version ? version : ""));
}

void QtWindowImp::editCurrentParameter(int value)
{
    if (!m_context || !m_context->parameterList || !m_context->currentParameterRow)
        return;
    QListWidgetItem *item = m_context->parameterList->item(*m_context->currentParameterRow);
    if (!item)
        return;
    // The row names the profile key it edits; its value is kept beside it.
    const QString key = item->data(Qt::UserRole).toString().isEmpty()
                            ? item->text()
                            : item->data(Qt::UserRole).toString();
    item->setData(Qt::UserRole, key);
    item->setText(key + QLatin1Char('=') + QString::number(value));
    m_settings.set(key.toLocal8Bit(), QByteArray::number(value));
}

void QtWindowImp::setScanParameter(int value)
{
    editCurrentParameter(value);
    emit ScanParameters();
}

void QtWindowImp::setEffectParameter(int value)
{
    if (m_context && m_context->effectCounter)
        m_context->effectCounter->display(value);
    editCurrentParameter(value);
    emit DrawEffect();
}

void QtWindowImp::setCrossX(int value)
{
    m_settings.set("x_cross", QByteArray::number(value));
}

void QtWindowImp::setCrossY(int value)
{
    m_settings.set("y_cross", QByteArray::number(value));
}

void QtWindowImp::masterVersion(const char *version)
{
    emit SignalMasterVersion(version);
}

void QtWindowImp::slaveVersion(const char *version)
{
    emit SignalSlaveVersion(version);
}

void QtWindowImp::electrodesX(const char *value)
{
    emit SignalElectrodesX(value);
}

void QtWindowImp::electrodesY(const char *value)
{
    emit SignalElectrodesY(value);
}

void QtWindowImp::reserved1(int)
{
}

void QtWindowImp::reserved2(int)
{
}

} // namespace quilex_gui_qtlib
