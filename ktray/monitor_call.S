/* int __cdecl ktray_CallMonitorFunction(void* function, int index, int* value)
 * Calls function(index, value) whichever way it removes its arguments: a cdecl function leaves
 * them to the caller, a stdcall one pops them itself. The monitor library's convention is stated
 * nowhere, so ESP is kept in EBX (which both conventions preserve) and put back after the call. */
    .intel_syntax noprefix
    .text
    .globl _ktray_CallMonitorFunction
    .def _ktray_CallMonitorFunction; .scl 2; .type 32; .endef
_ktray_CallMonitorFunction:
    push ebp
    mov ebp, esp
    push ebx
    mov ebx, esp
    push dword ptr [ebp + 16]
    push dword ptr [ebp + 12]
    call dword ptr [ebp + 8]
    mov esp, ebx
    pop ebx
    pop ebp
    ret
