# Writes OUTPUT, an assembly file that binds every export of DEF on its first call: for each
# name an import slot __imp__<name> (what a caller compiled against kclk.h calls through) that
# first points to a stub; the stub has the slot filled by KclkLateBind and jumps on. A plain
# entry _<name> is there too, for callers that call the name directly.
#   cmake -DDEF=kclk.def -DOUTPUT=late_imports.S -P late_imports.cmake
file(STRINGS ${DEF} lines)
set(slots "")
set(stubs "")
set(names "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]+([A-Za-z_][A-Za-z_0-9]*)[ \t]*$")
    set(n ${CMAKE_MATCH_1})
    string(APPEND slots "    .globl __imp__${n}\n__imp__${n}:\n    .long late_${n}\n")
    string(APPEND names "name_${n}:\n    .asciz \"${n}\"\n")
    string(APPEND stubs "    .globl _${n}\n_${n}:\n    jmp *__imp__${n}\n"
                        "late_${n}:\n    pushl $__imp__${n}\n    pushl $name_${n}\n"
                        "    call _KclkLateBind@8\n    jmp *%eax\n")
  endif()
endforeach()
file(WRITE ${OUTPUT}.new
  "/* Generated from kclk.def by late_imports.cmake. */\n"
  "    .data\n    .p2align 2\n${slots}"
  "    .section .rdata,\"dr\"\n${names}"
  "    .text\n    .p2align 4\n${stubs}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
