// A thermal camera's REST interface for tests: a loopback HTTP server that answers the camera's
// endpoints like a healthy camera (sensor 8 x 6, table 3 with two pairs, a full radiometric
// configuration); every request can be answered otherwise (see LoopbackHttpServer).
#pragma once

#include "tests/support/loopbackhttpserver.h"

#include <utility>
#include <vector>

class FakeThermalCamera : public LoopbackHttpServer {
public:
    FakeThermalCamera();

    void setJson(const std::string& method, const std::string& path, const std::string& json, int status = 200);
    // The table list of table 3 (the default active table) as pairs of raw value and degrees.
    void setLutPairs(const std::vector<std::pair<int, double>>& pairs);
};
