#include "bridgereport.h"

#include "devicelink.h"

#include <QThread>

namespace device {
namespace bridge {

Report request(std::uint8_t command, std::initializer_list<std::uint8_t> parameters)
{
    Report r{};
    r[0] = ReportId;
    r[1] = command;
    std::size_t i = 2;
    for (std::uint8_t p : parameters) {
        if (i >= r.size())
            break;
        r[i++] = p;
    }
    return r;
}

Report i2cWrite(std::uint8_t registerAddress, std::initializer_list<std::uint8_t> data)
{
    Report r = request(I2cTransfer, {TargetController, DirectionWrite, registerAddress,
                                     static_cast<std::uint8_t>(data.size())});
    std::size_t i = 6;
    for (std::uint8_t b : data) {
        if (i >= r.size())
            break;
        r[i++] = b;
    }
    return r;
}

Report i2cRead(std::uint8_t registerAddress, std::uint8_t count, std::uint8_t target)
{
    return request(I2cTransfer, {target, DirectionRead, registerAddress, count});
}

Report modeWrite(const RegisterMap &map, Mode mode)
{
    return i2cWrite(map.mode, {mode.low, mode.high});
}

bool send(const Report &request)
{
    Transport &t = link::transport();
    if (!t.isOpen())
        return false;
    return t.write(request.data(), request.size()) > 0;
}

bool receive(Report &answer)
{
    return receive(answer, AnswerTimeoutMs);
}

bool receive(Report &answer, int timeoutMs)
{
    Transport &t = link::transport();
    answer.fill(0);
    if (!t.isOpen())
        return false;
    return t.read(answer.data(), answer.size(), timeoutMs) > 0;
}

Transfer transfer(const Report &request, int delayMs, Report *answer)
{
    Transfer result;
    if (!link::isOpen())
        return result;
    result.written = send(request);
    pause(delayMs);
    Report scratch;
    result.answered = receive(answer ? *answer : scratch);
    return result;
}

void pause(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace bridge
} // namespace device
