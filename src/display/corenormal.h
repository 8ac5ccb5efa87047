#ifndef CORENORMAL_H
#define CORENORMAL_H

#include "state.h"

#include <array>

namespace quilex_gui {

// The touch stream: one record is the touch count and five slots (id, a, b).
class Normal : public State
{
public:
    static constexpr int SlotCount = 5;

    struct Point
    {
        int a = 0;
        int b = 0;
    };

    int slotCount() const { return SlotCount; }
    const Point &slot(int i) const { return m_slots[i]; }
    const Point &previousSlot(int i) const { return m_previousSlots[i]; }
    bool isActive(int i) const { return m_active[i]; }
    bool wasActive(int i) const { return m_previousActive[i]; }
    int xResolution() const { return m_xResolution; }
    int yResolution() const { return m_yResolution; }
    bool xReverse() const { return m_xReverse; }
    bool yReverse() const { return m_yReverse; }

    void next() override;

protected:
    Normal(WindowImp *window, const char *recordPattern);

    std::array<Point, SlotCount> m_slots{};
    std::array<bool, SlotCount> m_active{};
    std::array<Point, SlotCount> m_previousSlots{};
    std::array<bool, SlotCount> m_previousActive{};
    std::string m_previousText;
    int m_xResolution = 800;
    int m_yResolution = 600;
    bool m_xReverse = false;
    bool m_yReverse = false;
};

class CoreNormal : public Normal
{
public:
    // Shows the (empty) touch scene at once, before the first record.
    explicit CoreNormal(WindowImp *window);

    void next() override;
    void first() override;

private:
    boost::regex m_numberPattern;
    std::vector<int> m_numbers;
};

} // namespace quilex_gui

#endif
