#include "windowimp.h"

namespace quilex_gui {

WindowImp::WindowImp(const quilex_gui_qtlib::DisplayContext *context)
    : m_context(context)
{
}

WindowImp::~WindowImp() = default;

} // namespace quilex_gui
