#ifndef STATE_H
#define STATE_H

#include <boost/regex.hpp>

#include <string>
#include <vector>

namespace quilex_gui {

class WindowImp;

// Every decimal number of [begin, end) that `numberPattern` finds, in order,
// into `out` (cleared first). False, with `out` unspecified, when a number does
// not fit an int: the stream never sends one, so such a record is damaged and
// is dropped whole rather than drawn with a made-up value.
bool extractNumbers(const boost::regex &numberPattern, const char *begin, const char *end,
                    std::vector<int> &out);
// The same with a caller's match object, kept from record to record so that
// a running parser allocates nothing.
bool extractNumbers(const boost::regex &numberPattern, const char *begin, const char *end,
                    std::vector<int> &out, boost::cmatch &scratch);

// A record parser. The main window creates one per display mode and feeds it
// every record text of the stream; the parser recognises the record, assembles
// frames and tells the display window when to switch scenes and repaint.
// Until its first frame is complete the parser is in its start-up phase
// (first()), afterwards in its running phase (next()).
class State
{
public:
    State(WindowImp *window, const char *recordPattern);
    virtual ~State();

    State(const State &) = delete;
    State &operator=(const State &) = delete;

    // One record text from the stream. Text without a record is ignored.
    virtual void input(const char *text);
    virtual void next();
    virtual void first();
    // Part of the interface; nothing to do for any parser of this station.
    virtual void reserved();
    // Looks for the record anywhere in the text; true when found.
    virtual bool search(const char *text);

    WindowImp *window() const { return m_window; }
    bool isStarting() const { return m_firstRecord; }
    // The whole recognised record of the last input.
    const std::string &matchedText() const { return m_matchedText; }

protected:
    WindowImp *m_window;
    boost::regex m_recordPattern;
    boost::cmatch m_match;
    std::string m_matchedText;
    bool m_firstRecord = true;
    // Reused by the number extraction of every record.
    boost::cmatch m_numberMatch;
};

} // namespace quilex_gui

#endif
