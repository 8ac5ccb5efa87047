#ifndef STREAMKIND_H
#define STREAMKIND_H

// The debug data kind: which live stream the station is in. The window sets it
// before it starts a thread; the threads read it. 0 at start-up.
namespace device {
namespace stream {

namespace kind {
constexpr int Touch = -1;
constexpr int Debug = 1;
constexpr int InternalM0 = 2;
constexpr int RasterX = 3;
constexpr int RasterY = 4;
constexpr int InternalRasterX = 5;
constexpr int InternalRasterY = 6;
constexpr int ButtonData = 7;
constexpr int ButtonSignal = 8;
constexpr int KeyCodes = 9;
} // namespace kind

int debugDataKind();
void setDebugDataKind(int kind);

// Kinds 1 to 8 are streamed by HidThreadDebug; every other value by HidThread.
constexpr bool isDebugKind(int k)
{
    return k >= kind::Debug && k <= kind::ButtonSignal;
}

} // namespace stream
} // namespace device

#endif
