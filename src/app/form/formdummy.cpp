// The form library carries the generated ui_vorlane.h and the window's pictures.
#include "formresources.h"

#include "ui_vorlane.h"

#include <QtGlobal>

static void initVorlaneResources()
{
    Q_INIT_RESOURCE(vorlane);
}

void kavelInitFormResources()
{
    initVorlaneResources();
}
