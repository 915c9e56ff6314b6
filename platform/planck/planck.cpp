// Our stand-in for the radiometric correction library: records its arguments, corrects nothing.
#include "platform/planck/planck.h"
#include "platform/planck/planck_testcontrol.h"

#include <mutex>

namespace {
std::mutex g_mutex;
int g_calls = 0;
int g_result = 0;
planck_test_call g_last{};
}  // namespace

extern "C" {

int CalculateFromFactoryLUT(float emissivity, float reflected_k, float ambient_k, float distance,
                            float humidity, float transmission, float reference_k, float* table,
                            int first, int last)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_calls;
    g_last = planck_test_call{emissivity, reflected_k, ambient_k, distance, humidity, transmission, reference_k,
                              first, last, 0.0f, 0.0f, 0.0f};
    if (!table || first < 0 || last > 65535 || first > last)
        return -1;
    // Only entries inside the range the caller passed are read.
    g_last.entry_0 = first == 0 ? table[0] : 0.0f;
    g_last.entry_1500 = first <= 1500 && 1500 <= last ? table[1500] : 0.0f;
    g_last.entry_65535 = last == 65535 ? table[65535] : 0.0f;
    return g_result;
}

int planck_test_calls(planck_test_call* call)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (call && g_calls > 0)
        *call = g_last;
    return g_calls;
}

void planck_test_set_result(int result)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_result = result;
}

void planck_test_reset(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls = 0;
    g_result = 0;
    g_last = planck_test_call{};
}

}  // extern "C"
