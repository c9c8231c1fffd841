; Memory exercise: copy a table from flash to SRAM with LPM and ST X+,
; sum it back with LD -Y into a 16-bit total (ADD/ADC), call a helper
; through ICALL that mixes the halves with LD/LDD/ST Y+, then SLEEP with
; SE set. Fits the smallest SRAM (0x60-0xDF).
        .equ MCUCR, 0x35
        .equ SPL, 0x3D
        .equ SPH, 0x3E
        .equ BUF, 0x0080
        .equ COUNT, 16

        .text
        .org 0
        ldi r16, 0xDF              ; top of the smallest SRAM
        out SPL, r16
        clr r16
        out SPH, r16
        ldi r30, lo8(table)
        ldi r31, hi8(table)
        ldi r26, lo8(BUF)
        ldi r27, hi8(BUF)
        ldi r20, COUNT
copy:   lpm
        adiw r30, 1
        st X+, r0
        dec r20
        brne copy

        mov r28, r26               ; Y = end of the buffer
        mov r29, r27
        clr r1
        clr r24                    ; total r25:r24
        clr r25
        ldi r20, COUNT
sum:    ld r0, -Y
        add r24, r0
        adc r25, r1
        dec r20
        brne sum
        sts 0x0070, r24
        sts 0x0071, r25

        ldi r30, pm_lo8(mix)
        ldi r31, pm_hi8(mix)
        icall
        ldi r16, 0x20
        out MCUCR, r16             ; SE
        sleep

; BUF[i] ^= BUF[i+8] for i in 0..7.
mix:    ldi r28, lo8(BUF)
        ldi r29, hi8(BUF)
        ldi r20, 8
mixl:   ld r2, Y
        ldd r3, Y+8
        eor r2, r3
        st Y+, r2
        dec r20
        brne mixl
        ret

table:  .byte 1, 2, 3, 4, 5, 6, 7, 8, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0xF0
