# Code and data of a 32-bit test DLL (symbols take a leading underscore): an
# absolute address gives a relocation section, and a debugging section follows
# the resources with a long name kept in the COFF string table.
    .text
    .globl _start
_start:
    ret
    .data
    .globl _value
_value:
    .long _value
    .section .debug_info,"dr"
    .ascii "a debugging section behind the resources"
