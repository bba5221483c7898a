/* The firmware trigger of the x86_64 driver, the counterpart of the library's i386 routines:
 * load the register image, write the trigger to the firmware's port, give the handler time
 * with writes to port 0EBh, and store the registers the handler left back into the image.
 *
 * void krdrv_TriggerSmi(KrdrvRegisters* image);     out dx, ax; 4 x out 0EBh, ax
 * void krdrv_TriggerFanSmi(KrdrvRegisters* image);  out dx, al; 3 x out 0EBh, al
 *
 * Microsoft x64 convention: the image in rcx; rbx, rbp, rsi and rdi belong to the caller.
 * Image layout: eax 0, ebx 4, ecx 8, edx 12, esi 16, edi 20, ebp 24. */
    .intel_syntax noprefix
    .text

.macro LOAD_IMAGE
    push rbx
    push rbp
    push rsi
    push rdi
    push rcx                    /* the image, kept for the store-back */
    mov eax, [rcx]
    mov ebx, [rcx + 4]
    mov edx, [rcx + 12]
    mov esi, [rcx + 16]
    mov edi, [rcx + 20]
    mov ebp, [rcx + 24]
    mov ecx, [rcx + 8]
.endm

.macro STORE_IMAGE
    xchg rax, [rsp]             /* rax = the image, the handler's rax on the stack */
    mov [rax + 4], ebx
    mov [rax + 8], ecx
    mov [rax + 12], edx
    mov [rax + 16], esi
    mov [rax + 20], edi
    mov [rax + 24], ebp
    pop rcx
    mov [rax], ecx
    pop rdi
    pop rsi
    pop rbp
    pop rbx
    ret
.endm

/* The host tests assemble this file as ELF too, where symbols have no COFF type records. */
#if defined(_WIN32)
#define FUNCTION(name) .globl name; .def name; .scl 2; .type 32; .endef; name:
#else
#define FUNCTION(name) .globl name; .type name, @function; name:
#endif

FUNCTION(krdrv_TriggerSmi)
    LOAD_IMAGE
    out dx, ax                  /* AL to the port, AH to port + 1: the handler runs now */
    out 0xEB, ax
    out 0xEB, ax
    out 0xEB, ax
    out 0xEB, ax
    STORE_IMAGE

FUNCTION(krdrv_TriggerFanSmi)
    LOAD_IMAGE
    out dx, al
    out 0xEB, al
    out 0xEB, al
    out 0xEB, al
    STORE_IMAGE

#if !defined(_WIN32)
    .section .note.GNU-stack, "", @progbits
#endif
