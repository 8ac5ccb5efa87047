#ifndef FILEMODESBIND_H
#define FILEMODESBIND_H

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Root reads a file whatever its mode says; while one of these lives, this
// thread cannot, so an unreadable profile can be tested under CI's root too.
class FileModesBind
{
public:
    FileModesBind()
    {
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        data[0] = m_saved[0];
        data[1] = m_saved[1];
        data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = syscall(SYS_capset, &m_header, data) == 0;
    }
    ~FileModesBind()
    {
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_saved);
    }
    FileModesBind(const FileModesBind &) = delete;
    FileModesBind &operator=(const FileModesBind &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

#endif
