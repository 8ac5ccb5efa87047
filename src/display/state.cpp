#include "state.h"

#include "windowimp.h"

#include <boost/lexical_cast.hpp>

#include <cstring>

namespace quilex_gui {

bool extractNumbers(const boost::regex &numberPattern, const char *begin, const char *end,
                    std::vector<int> &out)
{
    boost::cmatch scratch;
    return extractNumbers(numberPattern, begin, end, out, scratch);
}

bool extractNumbers(const boost::regex &numberPattern, const char *begin, const char *end,
                    std::vector<int> &out, boost::cmatch &number)
{
    out.clear();
    // A plain search loop rather than a regex iterator: the iterator allocates
    // its state on every record, and records arrive at a thousand a second.
    const char *from = begin;
    boost::match_flag_type flags = boost::match_default;
    try {
        while (from < end && boost::regex_search(from, end, number, numberPattern, flags)) {
            const auto &digits = number[1].matched ? number[1] : number[0];
            int value = 0;
            if (!boost::conversion::try_lexical_convert(
                    digits.first, static_cast<std::size_t>(digits.second - digits.first), value))
                return false;
            out.push_back(value);
            // The number patterns never match empty text, so this always advances.
            from = number[0].second;
            flags = boost::match_default | boost::match_prev_avail;
        }
    } catch (const std::exception &) {
        // The matcher gives up on pathological input; drop the record.
        return false;
    }
    return true;
}

State::State(WindowImp *window, const char *recordPattern)
    : m_window(window)
    , m_recordPattern(recordPattern)
{
    // Room for the longest records of the streams (a 64-electrode row), so
    // that the text is not regrown while running.
    m_matchedText.reserve(512);
}

State::~State() = default;

void State::input(const char *text)
{
    if (!text || !search(text))
        return;
    m_matchedText.assign(m_match[0].first, m_match[0].second);
    if (m_firstRecord)
        first();
    else
        next();
}

void State::next()
{
}

void State::first()
{
    m_firstRecord = false;
    m_window->showBlankScene();
    m_window->clearScene();
}

void State::reserved()
{
}

bool State::search(const char *text)
{
    try {
        return boost::regex_search(text, text + std::strlen(text), m_match, m_recordPattern);
    } catch (const std::exception &) {
        // Too complex or too long for the matcher: treat it as no record.
        return false;
    }
}

} // namespace quilex_gui
