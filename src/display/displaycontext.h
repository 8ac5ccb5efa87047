#ifndef DISPLAYCONTEXT_H
#define DISPLAYCONTEXT_H

class QTextEdit;
class QLabel;
class QLCDNumber;
class QListWidget;

namespace quilex_gui_qtlib {

class DisplayView;

// The widgets the display window object may use. The main window owns it and
// fills in what it has; this station sets only the view. An empty field makes
// the operations that need it do nothing.
struct DisplayContext
{
    QTextEdit *logPane = nullptr;
    DisplayView *view = nullptr;
    QLabel *versionCaption = nullptr;
    QLabel *versionText = nullptr;
    void *spare = nullptr;
    QLCDNumber *effectCounter = nullptr;
    QListWidget *parameterList = nullptr;
    int *currentParameterRow = nullptr;
};

} // namespace quilex_gui_qtlib

#endif
