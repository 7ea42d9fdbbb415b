#pragma once
#include <cstdint>
#include <string>

// One request for one named parameter, handed to ReadParam/WriteParam.
struct ParamRequest {
    std::string name;     // e.g. "dev"; sent as single-byte text
    uint16_t hash = 0;    // used in place of the name only when the name is empty
    int16_t index = -1;   // -1: no index
    uint8_t data[16] = {};
    uint32_t length = 0;  // valid bytes of data, both directions
    int32_t status = 0;
    bool busy = false;    // the worker owns the request while set
};
