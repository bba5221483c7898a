// A monitor library built the other way its plain names allow: stdcall functions (the callee
// removes the arguments) exported undecorated through a definition file. Fixed readings, so a
// test sees that the call arrived with its arguments.
#include <windows.h>

extern "C" {

int __stdcall W_Get_TempValue(int index, int* value) {
    if (value) *value = 30 + index;
    return 1;
}

int __stdcall W_Get_FanCount(int index, int* value) {
    if (value) *value = 1000 * index + 7;
    return 1;
}

}  // extern "C"
