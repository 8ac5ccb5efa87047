#include "corenormal.h"

#include "values.h"
#include "windowimp.h"

namespace quilex_gui {

Normal::Normal(WindowImp *window, const char *recordPattern)
    : State(window, recordPattern)
{
}

void Normal::next()
{
}

CoreNormal::CoreNormal(WindowImp *window)
    : Normal(window, R"((\d+,?)+)")
    , m_numberPattern(R"((\d+))")
{
    m_window->showBlankScene();
    m_window->clearScene();
    m_window->showNormalScene(this);
}

void CoreNormal::first()
{
    const char *begin = m_matchedText.data();
    if (!extractNumbers(m_numberPattern, begin, begin + m_matchedText.size(), m_numbers,
                        m_numberMatch))
        return;

    Settings &store = *m_window->settings();
    ConfigParameter parameter;
    // A resolution of 0 or less would scale the panel outline to infinity;
    // keep the default for it instead. The default is the drawing's alone:
    // written into the store it would be saved into the profile at exit and
    // change what the run compares the panel's resolution with.
    const auto takeResolution = [&store, &parameter](const char *key, int &resolution) {
        if (!store.find(key, parameter))
            return;
        const int value = profile::toInt(parameter.value());
        if (value <= 0)
            return;
        resolution = value;
        store.set(key, QByteArray::number(value));
    };
    takeResolution("x_res", m_xResolution);
    takeResolution("y_res", m_yResolution);
    if (store.find("x_reverse", parameter))
        m_xReverse = parameter.value() == "True";
    if (store.find("y_reverse", parameter))
        m_yReverse = parameter.value() == "True";

    State::first();
    m_window->showNormalScene(this);
}

void CoreNormal::next()
{
    const char *begin = m_matchedText.data();
    if (!extractNumbers(m_numberPattern, begin, begin + m_matchedText.size(), m_numbers,
                        m_numberMatch))
        return;
    if (m_numbers.empty())
        return;
    const int count = m_numbers.front();
    if (count >= 6)
        return;

    // Read into a copy so that a record with a bad slot id leaves everything
    // as it was.
    std::array<Point, SlotCount> points = m_slots;
    std::array<bool, SlotCount> active{};
    std::size_t at = 1;
    for (int group = 0; group < count && m_numbers.size() - at >= 3; ++group, at += 3) {
        const int id = m_numbers[at];
        if (id > SlotCount - 1)
            return;
        active[id] = true;
        points[id] = Point{m_numbers[at + 1], m_numbers[at + 2]};
    }
    m_slots = points;
    m_active = active;

    bool anyActive = false;
    for (int i = 0; i < SlotCount; ++i)
        anyActive = anyActive || m_active[i] || m_previousActive[i];
    if (anyActive && m_matchedText != m_previousText) {
        m_window->updateScene();
        m_previousText = m_matchedText;
    }

    m_previousActive = m_active;
    m_previousSlots = m_slots;
}

} // namespace quilex_gui
