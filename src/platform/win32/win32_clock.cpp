#include "platform/win32/win32_clock.h"

#include <windows.h>

#include "base/datetime.h"

namespace orv {

double Win32Clock::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  CivilTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.millisecond = st.wMilliseconds;
  double value = 0;
  CivilToDateTime(t, &value);  // the system gives valid times; 0 would be 1899-12-30
  return value;
}

}  // namespace orv
