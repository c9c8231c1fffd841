; Loader-style byte exchange over port B: receive one byte on PB5 with a
; 5-cycle loop (PB6 high while waiting), store it, then send its
; complement on PB6 with a 7-cycle loop, and park in a tight loop.
        .equ PINB, 0x16
        .equ DDRB, 0x17
        .equ PORTB, 0x18
        .equ SPL, 0x3D
        .equ SPH, 0x3E
        .equ RESULT, 0x70          ; inside the SRAM of every model

        .text
        .org 0
reset:
        ldi r16, 0x5F
        out DDRB, r16              ; PB0-PB4, PB6 outputs
        ldi r16, 0x61
        out SPL, r16               ; room for one return address
        ldi r16, 0
        out SPH, r16
        rcall receive
        sts RESULT, r16
        com r16
        rcall send
park:   rjmp park

; r16 <- one byte, most significant bit first, one bit every 5 cycles.
receive:
        sbi PORTB, 6               ; ready
        ldi r16, 1                 ; marker bit
        clc
rx:     sbic PINB, 5
        sec
        rol r16
        brcc rx
        cbi PORTB, 6               ; acknowledge
        ret

; r16 -> PB6, bit 7 first, each bit for 7 cycles (both paths).
send:
        in r18, PORTB
        andi r18, 0xBF             ; PORTB image with PB6 clear
        sec
        rol r16                    ; carry = bit 7, marker into bit 0
        sbi PORTB, 6               ; start
tx:     mov r17, r18
        brcc tx0
        ori r17, 0x40
tx0:    out PORTB, r17
        lsl r16
        brne tx
        cbi PORTB, 6               ; end of byte
        ret
