// Installation and start of the port driver service on the NT family, and opening its device.
#pragma once

#include <cstdint>
#include <string>

namespace kclk {

constexpr const char* kDriverServiceName = "KRDrv";

int32_t InstallDriverService(const char* serviceName);
int32_t StartDriverService(const char* serviceName);

}  // namespace kclk
