/* uint32_t __cdecl kit_CallMeasuringStack(void* fn, int argc, const uint32_t* args, int32_t* espDelta)
 * Calls fn with argc 32-bit arguments and reports how far ESP moved across the call: 0 for a
 * cdecl callee (the caller removes the arguments), 4 * argc for one that pops them itself. */
    .intel_syntax noprefix
    .text
    .globl _kit_CallMeasuringStack
    .def _kit_CallMeasuringStack; .scl 2; .type 32; .endef
_kit_CallMeasuringStack:
    push ebp
    mov ebp, esp
    push ebx
    push esi
    push edi
    mov ecx, [ebp + 12]
    mov esi, [ebp + 16]
1:  test ecx, ecx
    jz 2f
    dec ecx
    push dword ptr [esi + ecx * 4]
    jmp 1b
2:  mov edi, esp
    call dword ptr [ebp + 8]
    mov ecx, esp
    sub ecx, edi
    mov edx, [ebp + 20]
    mov [edx], ecx
    lea esp, [ebp - 12]
    pop edi
    pop esi
    pop ebx
    pop ebp
    ret
