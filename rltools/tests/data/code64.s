# Code and data of a test DLL: an absolute address gives a relocation section,
# and a debugging section follows the resources with a long name kept in the
# COFF string table.
    .text
    .globl start
start:
    ret
    .data
    .globl value
value:
    .quad value
    .section .debug_info,"dr"
    .ascii "a debugging section behind the resources"
