; Every instruction of the AT90S core at least once, each result checked in
; the program itself. On success 0x5A is stored at PASS and the core goes
; to sleep (MCUCR.SE); a failed check stores its number at FAILED and
; spins. Expects PINB to read 0x20 (PB5 high). Fits every model.
        .equ PINB, 0x16
        .equ DDRB, 0x17
        .equ PORTB, 0x18
        .equ MCUCR, 0x35
        .equ SPL, 0x3D
        .equ SPH, 0x3E
        .equ SREG, 0x3F
        .equ MARK, 0x9E            ; must stay 0: written only by skipped STS
        .equ FAILED, 0x9D
        .equ PASS, 0x9F

; Check an upper register (r16..r31) against a constant; clobbers SREG.
        .macro expect reg, value, id
        ldi r23, \id
        cpi \reg, \value
        breq 1f
        rjmp fail
1:
        .endm

; The same for a lower register, through r16.
        .macro expectlow reg, value, id
        mov r16, \reg
        expect r16, \value, \id
        .endm

; SREG must equal a value.
        .macro expectsreg value, id
        in r22, SREG
        expect r22, \value, \id
        .endm

; A branch must be taken / must not be taken.
        .macro taken br, id
        ldi r23, \id
        \br 1f
        rjmp fail
1:
        .endm

        .macro nottaken br, id
        ldi r23, \id
        \br 2f
        rjmp 1f
2:      rjmp fail
1:
        .endm

        .text
        .org 0
        rjmp start
vector: reti                       ; reached through rcall to check RETI

start:
        ldi r16, 0xDF
        out SPL, r16
        ldi r16, 0
        out SPH, r16

; ---- addition and subtraction
        ldi r16, 0x7F
        ldi r17, 0x01
        add r16, r17               ; 0x80: H V N
        expectsreg 0x2C, 1
        expect r16, 0x80, 2
        clc
        adc r16, r16               ; 0x00: V S Z C
        expectsreg 0x1B, 3
        sec
        sbc r16, r17               ; 0 - 1 - 1 = 0xFE: H S N C
        expectsreg 0x35, 4
        expect r16, 0xFE, 5
        subi r16, 0x0E             ; 0xF0: S N
        expectsreg 0x14, 6
        sec
        sbci r16, 0x00             ; 0xEF: H S N
        expectsreg 0x34, 7
        sub r16, r17               ; 0xEE
        expect r16, 0xEE, 8

; ---- logic, one-register operations, shifts
        andi r16, 0x3C             ; 0x2C
        ori r16, 0x01              ; 0x2D
        ldi r18, 0xF0
        and r18, r16               ; 0x20
        or r18, r17                ; 0x21
        eor r18, r16               ; 0x0C
        expect r18, 0x0C, 9
        com r16                    ; 0xD2
        neg r16                    ; 0x2E
        expect r16, 0x2E, 10
        inc r16                    ; 0x2F
        dec r17                    ; 0x00
        in r22, SREG
        andi r22, 0x02
        expect r22, 0x02, 11
        swap r16                   ; 0xF2
        asr r16                    ; 0xF9, C 0
        lsr r16                    ; 0x7C, C 1
        ror r16                    ; 0xBE, C 0
        lsl r16                    ; 0x7C, C 1
        rol r16                    ; 0xF9, C 0
        expect r16, 0xF9, 12
        ser r19                    ; 0xFF
        cbr r19, 0x0F              ; 0xF0
        sbr r19, 0x03              ; 0xF3
        tst r19                    ; S N
        expectsreg 0x14, 13
        expect r19, 0xF3, 14

; ---- word immediates
        ldi r24, 0xFE
        ldi r25, 0xFF
        adiw r24, 3                ; 0x0001: C
        expectsreg 0x01, 15
        sbiw r24, 2                ; 0xFFFF: S N C
        expectsreg 0x15, 16
        expect r25, 0xFF, 17

; ---- every SREG bit set and cleared by its own instruction
        sec
        sez
        sen
        sev
        ses
        seh
        set
        sei
        expectsreg 0xFF, 18
        clc
        clz
        cln
        clv
        cls
        clh
        clt
        cli
        expectsreg 0x00, 19

; ---- every branch condition, taken and not taken
        sec
        taken brcs, 60
        taken brlo, 61
        nottaken brcc, 62
        nottaken brsh, 63
        clc
        taken brcc, 64
        taken brsh, 65
        nottaken brlo, 66
        sez
        taken breq, 67
        nottaken brne, 68
        clz
        taken brne, 69
        sen
        taken brmi, 70
        nottaken brpl, 71
        cln
        taken brpl, 72
        sev
        taken brvs, 73
        clv
        taken brvc, 74
        ses
        taken brlt, 75
        nottaken brge, 76
        cls
        taken brge, 77
        seh
        taken brhs, 78
        clh
        taken brhc, 79
        set
        taken brts, 80
        clt
        taken brtc, 81
        sei
        taken brie, 82
        cli
        taken brid, 83
        sec
        taken "brbs 0,", 84
        taken "brbc 1,", 85

; ---- compares and skips
        ldi r16, 0x00
        ldi r17, 0x01
        ldi r18, 0x00
        ldi r19, 0x01
        cp r16, r18                ; 0x0100 == 0x0100
        cpc r17, r19
        taken breq, 23
        ldi r18, 0xFF
        ldi r19, 0x00
        cp r16, r18                ; 0x0100 vs 0x00FF
        cpc r17, r19               ; high bytes equal after the borrow, Z must stay clear
        taken brne, 24
        taken brsh, 25
        cpi r17, 1
        taken breq, 26
        ldi r16, 0x08
        ldi r23, 20
        cpse r16, r16
        rjmp fail
        ldi r23, 27
        sbrc r16, 2
        rjmp fail
        ldi r23, 28
        sbrs r16, 3
        rjmp fail
        ldi r23, 29
        sbic PINB, 4
        rjmp fail
        ldi r23, 30
        sbis PINB, 5
        rjmp fail
        ldi r23, 31                ; skips over two-word instructions
        sbis PINB, 5
        sts MARK, r23
        cpse r16, r16
        sts MARK, r23
        ldi r21, 31
        sbrs r16, 3
        lds r21, MARK              ; MARK is 0: r21 shows whether it ran
        lds r20, MARK
        expect r20, 0, 33
        expect r21, 31, 32

; ---- I/O and port B
        ldi r16, 0x5F
        out DDRB, r16
        sbi PORTB, 6
        cbi PORTB, 6
        sbi PORTB, 0
        in r16, PORTB
        expect r16, 0x01, 34
        in r16, PINB
        expect r16, 0x20, 35

; ---- loads and stores in every addressing mode
        ldi r26, 0x90
        clr r27
        ldi r16, 0x11
        st X+, r16                 ; [90] 11
        ldi r16, 0x22
        st X, r16                  ; [91] 22
        ldi r16, 0x33
        st -X, r16                 ; [90] 33
        ldi r28, 0x92
        clr r29
        ldi r16, 0x44
        st Y+, r16                 ; [92] 44
        ldi r16, 0x55
        st -Y, r16                 ; [92] 55
        ldi r16, 0x66
        std Y+2, r16               ; [94] 66
        ldi r30, 0x95
        clr r31
        ldi r16, 0x77
        st Z+, r16                 ; [95] 77
        ldi r16, 0x88
        st -Z, r16                 ; [95] 88
        ldi r16, 0x99
        std Z+1, r16               ; [96] 99
        ldi r16, 0xAA
        st Z, r16                  ; [95] AA
        ldi r16, 0xBB
        st Y, r16                  ; [92] BB
        ldi r16, 0xCC
        sts 0x97, r16              ; [97] CC
        ld r0, X+
        ld r1, X
        ld r2, -X
        ld r3, Y+
        ld r4, -Y
        ldd r5, Y+2
        ld r6, Y
        ld r7, Z+
        ld r8, -Z
        ldd r9, Z+1
        ld r10, Z
        lds r11, 0x97
        expectlow r0, 0x33, 40
        expectlow r1, 0x22, 41
        expectlow r2, 0x33, 42
        expectlow r3, 0xBB, 43
        expectlow r4, 0xBB, 44
        expectlow r5, 0x66, 45
        expectlow r6, 0xBB, 46
        expectlow r7, 0xAA, 47
        expectlow r8, 0xAA, 48
        expectlow r9, 0x99, 49
        expectlow r10, 0xAA, 50
        expectlow r11, 0xCC, 51
        mov r16, r26
        expect r16, 0x90, 52
        mov r16, r28
        expect r16, 0x92, 53
        mov r16, r30
        expect r16, 0x95, 54

; ---- stack, calls, returns, indirect jumps
        ldi r16, 0xA1
        push r16
        ldi r16, 0
        pop r17
        expect r17, 0xA1, 90
        rcall sub1
        expect r18, 0x5A, 91
        ldi r30, pm_lo8(sub2)
        ldi r31, pm_hi8(sub2)
        icall
        expect r18, 0xA5, 92
        rcall vector               ; RETI sets I
        in r22, SREG
        andi r22, 0x80
        expect r22, 0x80, 93
        cli
        ldi r30, pm_lo8(after_ijmp)
        ldi r31, pm_hi8(after_ijmp)
        ldi r23, 94
        ijmp
        rjmp fail
after_ijmp:
        in r16, SPL
        expect r16, 0xDF, 95

; ---- program memory, T bit, no-ops
        ldi r30, lo8(bytes)
        ldi r31, hi8(bytes)
        lpm
        expectlow r0, 0x12, 96
        adiw r30, 1
        lpm
        expectlow r0, 0x34, 97
        ldi r16, 0x80
        bst r16, 7
        clr r17
        bld r17, 0
        expect r17, 0x01, 98
        nop
        wdr
        sleep                      ; SE clear: a no-op

; ---- done
        ldi r16, 0x5A
        sts PASS, r16
        ldi r16, 0x20
        out MCUCR, r16
        sleep

fail:   sts FAILED, r23
        rjmp fail

sub1:   ldi r18, 0x5A
        ret
sub2:   ldi r18, 0xA5
        ret

bytes:  .byte 0x12, 0x34
