#include "tests/support/fakethermalcamera.h"

#include <sstream>

FakeThermalCamera::FakeThermalCamera()
{
    setJson("GET", "/sensor/dimension", R"({"w":8,"h":6})");
    setJson("GET", "/admin/boot-id", R"("5f0c2a")");
    setJson("GET", "/sensor/lut", "3");
    setLutPairs({{1000, 20.0}, {2000, 30.0}});
    setJson("GET", "/isp/instrument/jconfig",
            R"({"ambient-t":23,"distance":2.5,"emissivity":0.95,"model":"TC","reflect-t":25,"rh":0.45})");
    setJson("GET", "/stream/video/raw", R"({"max-packet-size":65536})");
}

void FakeThermalCamera::setJson(const std::string& method, const std::string& path, const std::string& json, int status)
{
    setReply(method, path, Reply{status, json, Mode::Answer, "application/json"});
}

void FakeThermalCamera::setLutPairs(const std::vector<std::pair<int, double>>& pairs)
{
    std::ostringstream list;
    list << '[';
    for (size_t i = 0; i < pairs.size(); ++i)
        list << (i ? "," : "") << R"({"r":)" << pairs[i].first << R"(,"t":)" << pairs[i].second << '}';
    list << ']';
    setJson("GET", "/sensor/luts/3?list", list.str());
}

