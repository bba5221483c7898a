/* The hardware seam of the direct path (Windows 9x): load the register image, write the SMI
 * trigger to the firmware's port, give the handler time with writes to port 0xEB, and store the
 * registers the handler left back into the image.
 *
 * void __cdecl kclk_TriggerSmi(SmiRegisters* image);     out dx, ax; 4 x out 0xEB, ax
 * void __cdecl kclk_TriggerFanSmi(SmiRegisters* image);  out dx, al; 3 x out 0xEB, al
 *
 * Image layout: eax 0, ebx 4, ecx 8, edx 12, esi 16, edi 20, ebp 24. */
    .intel_syntax noprefix
    .text

.macro LOAD_IMAGE
    push ebp
    push ebx
    push esi
    push edi
    mov eax, [esp + 20]         /* the image */
    push eax                    /* kept for the store-back */
    mov ebx, [eax + 4]
    mov ecx, [eax + 8]
    mov edx, [eax + 12]
    mov esi, [eax + 16]
    mov edi, [eax + 20]
    mov ebp, [eax + 24]
    mov eax, [eax]
.endm

.macro STORE_IMAGE
    xchg eax, [esp]             /* eax = the image, the handler's eax on the stack */
    mov [eax + 4], ebx
    mov [eax + 8], ecx
    mov [eax + 12], edx
    mov [eax + 16], esi
    mov [eax + 20], edi
    mov [eax + 24], ebp
    pop dword ptr [eax]
    pop edi
    pop esi
    pop ebx
    pop ebp
    ret
.endm

    .globl _kclk_TriggerSmi
    .def _kclk_TriggerSmi; .scl 2; .type 32; .endef
_kclk_TriggerSmi:
    LOAD_IMAGE
    out dx, ax                  /* AL to the port, AH to port + 1: the handler runs now */
    out 0xEB, ax
    out 0xEB, ax
    out 0xEB, ax
    out 0xEB, ax
    STORE_IMAGE

    .globl _kclk_TriggerFanSmi
    .def _kclk_TriggerFanSmi; .scl 2; .type 32; .endef
_kclk_TriggerFanSmi:
    LOAD_IMAGE
    out dx, al
    out 0xEB, al
    out 0xEB, al
    out 0xEB, al
    STORE_IMAGE
