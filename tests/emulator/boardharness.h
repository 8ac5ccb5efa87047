#ifndef TESTS_EMULATOR_BOARDHARNESS_H
#define TESTS_EMULATOR_BOARDHARNESS_H

#include <bridgeboard.h>
#include <report.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

// Requests built the way the station builds them: 64 zeroed bytes, report id
// 0x02, the command and its parameters.
namespace req {

inline emulator::Report bridge(std::uint8_t command, std::uint8_t b2 = 0, std::uint8_t b3 = 0, std::uint8_t b4 = 0)
{
    emulator::Report r{};
    r[0] = 0x02;
    r[1] = command;
    r[2] = b2;
    r[3] = b3;
    r[4] = b4;
    return r;
}

inline emulator::Report i2cWrite(std::uint8_t reg, std::initializer_list<std::uint8_t> data, std::uint8_t target = 0x00)
{
    emulator::Report r = bridge(0x00, target, 0x01, reg);
    r[5] = static_cast<std::uint8_t>(data.size());
    std::size_t i = 6;
    for (std::uint8_t b : data)
        r[i++] = b;
    return r;
}

inline emulator::Report i2cRead(std::uint8_t reg, std::uint8_t count, std::uint8_t target = 0x00)
{
    emulator::Report r = bridge(0x00, target, 0x00, reg);
    r[5] = count;
    return r;
}

} // namespace req

// The board core with its answers collected, for tests that talk to it directly.
struct BoardHarness
{
    explicit BoardHarness(emulator::PanelDescription panel = emulator::PanelDescription())
        : board(std::move(panel))
    {
        board.setSink([this](const emulator::Report &r, std::size_t length) {
            answers.push_back(r);
            lengths.push_back(length);
        });
    }

    // Sends one request; returns how many answers it produced and leaves the
    // last one in `last`.
    int send(const emulator::Report &request)
    {
        answers.clear();
        lengths.clear();
        board.receive(request.data(), request.size());
        if (!answers.empty())
            last = answers.back();
        return static_cast<int>(answers.size());
    }

    // A request that must be answered exactly once; its answer.
    emulator::Report exchange(const emulator::Report &request)
    {
        last = emulator::Report{};
        if (send(request) != 1)
            ++unpaired;
        return last;
    }

    // Reads a block of the data window the way the station does: 60-byte
    // chunks at window + offset + 60k, register numbers wrapping at 8 bits,
    // then the remainder (sent even when it is 0 bytes long).
    std::vector<std::uint8_t> readBlock(std::uint8_t window, int offset, int length)
    {
        std::vector<std::uint8_t> out;
        const int full = length / 60;
        for (int k = 0; k <= full; ++k) {
            const int count = k < full ? 60 : length % 60;
            const auto reg = static_cast<std::uint8_t>(window + offset + 60 * k);
            const emulator::Report a = exchange(req::i2cRead(reg, static_cast<std::uint8_t>(count)));
            out.insert(out.end(), a.begin() + 1, a.begin() + 1 + count);
        }
        return out;
    }

    static std::vector<int> values(const std::vector<std::uint8_t> &bytes)
    {
        std::vector<int> v;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            v.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
        return v;
    }

    emulator::BridgeBoard board;
    std::vector<emulator::Report> answers;
    std::vector<std::size_t> lengths; // bytes of each answer that went out
    emulator::Report last{};
    int unpaired = 0; // requests that did not get exactly one answer
};

#endif
