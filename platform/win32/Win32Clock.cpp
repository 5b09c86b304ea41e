#include "Win32Convert.h"
#include "Win32Platform.h"

namespace ulv::win32 {

TSystemTime Win32Clock::GetLocalTime() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return TSystemTime{st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
                       st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
}

void Win32Clock::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

bool Win32Clock::FileTimeToLocalFileTime(FileTime utc, FileTime& local) {
    FILETIME in = ToFiletime(utc), out{};
    if (!::FileTimeToLocalFileTime(&in, &out)) return false;
    local = FromFiletime(out);
    return true;
}

bool Win32Clock::LocalFileTimeToFileTime(FileTime local, FileTime& utc) {
    FILETIME in = ToFiletime(local), out{};
    if (!::LocalFileTimeToFileTime(&in, &out)) return false;
    utc = FromFiletime(out);
    return true;
}

bool Win32Clock::FileTimeToDosDateTime(FileTime time, std::uint16_t& dosDate, std::uint16_t& dosTime) {
    FILETIME in = ToFiletime(time);
    WORD date = 0, tod = 0;
    if (!::FileTimeToDosDateTime(&in, &date, &tod)) return false;
    dosDate = date;
    dosTime = tod;
    return true;
}

bool Win32Clock::DosDateTimeToFileTime(std::uint16_t dosDate, std::uint16_t dosTime, FileTime& time) {
    FILETIME out{};
    if (!::DosDateTimeToFileTime(dosDate, dosTime, &out)) return false;
    time = FromFiletime(out);
    return true;
}

} // namespace ulv::win32
