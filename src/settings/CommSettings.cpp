#include "settings/CommSettings.h"

CommSettings DefaultCommSettings()
{
    CommSettings settings;
    settings.com = 1;
    settings.address = 16;
    settings.adress_len = 8;
    settings.converter = 1;
    settings.baud_rate = 115200;
    settings.parity = 0;
    settings.stop_bits = 0;
    settings.byte_size = 8;
    settings.rs_type = 1;
    return settings;
}
