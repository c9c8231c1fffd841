// The five processors of the chip catalogue, in catalogue order.
#include "sim/AvrCore.h"

const std::array<TAvrModel, 5> AvrModels = {{
    {"AT90S8515", 0x1E9301, 8192, 512, 512},
    {"AT90S4433", 0x1E9203, 4096, 256, 128},
    {"AT90S4414", 0x1E9201, 4096, 256, 256},
    {"AT90S2343", 0x1E9103, 2048, 128, 128},
    {"AT90S2323", 0x1E9102, 2048, 128, 128},
}};
