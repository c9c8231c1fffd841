; The loader: a small AVR program that the PC writes into the card's flash
; to reach the external 24Cxx EEPROM on port B. It runs on every processor
; of the chip catalogue (classic core only: no MUL, MOVW, JMP/CALL,
; LPM Rd,Z+ or SPM) and is clocked by the PC one cycle per tick, so every
; loop that talks to the PC runs a fixed number of cycles per bit.
;
; Assemble: avr-as -mmcu=at90s2313 Loader.S -o Loader.o
;           avr-ld -m avr2 -Ttext 0 Loader.o -o Loader.elf
;           avr-objcopy -O binary -j .text Loader.elf Loader.bin
; The image is exactly 522 bytes (261 words), padded with 0xFF.
;
; Pins (port B): PB0 SDA and PB1 SCL (I2C), PB5 MOSI from the PC (input),
; PB6 MISO to the PC (handshake and data), PB2-PB4 unused outputs, PB7
; unused input.
;
; SDA is an open-drain line: the 24Cxx pulls it low with a weak transistor
; when it acknowledges or sends a 0, and only lets go otherwise. A pin
; driven high would win against it (and read back its own high through
; PINB), so the loader never drives SDA high. "SDA high" releases the
; line: PB0 an input with its pull-up on, so the line rises even on a card
; without a pull-up resistor, unless the EEPROM holds it low. "SDA low"
; makes PB0 an output at 0. Between the two the pin passes through "input
; without pull-up" (never "output at 1"), so the line floats, keeping its
; level, for a cycle or two; that happens only while SCL is low, or inside
; a start or stop condition. SCL is an ordinary output: the AVR is the
; only master on the bus.
;
; Registers:
;   r16          byte being received, sent or written
;   r19:r18:r17  EEPROM address, 24 bits
;   r25:r24      page length in bytes (set by start write)
;   r21          last command byte
;   r21:r20      bytes left in a page transfer (low byte r20)
;   r22          first data byte of a page, kept here while the page is
;                addressed: r21 is reloaded as the counter's high byte
;                before that byte goes to the EEPROM
;   r26, r27     port B images while a byte goes to the PC
;   r2-r7        DDRB and PORTB images of the I2C byte write (set once)
;   r31:r30      jump table address
;
; Subroutines are never nested: the stack holds one return address.
;
; PC protocol (the PC counts ticks, it never waits on time):
;   receive: PB6 high (ready); one bit every 5 cycles on PB5, most
;            significant first; PB6 low (acknowledge)
;   send:    PB6 high (start); one bit every 7 cycles on PB6, most
;            significant first; PB6 low (end of byte)
; Command bytes, low 3 bits: 0-2 read all, 3 read back page, 4 start
; write (page length = (byte & 0xF8) * 4), 5 next page, 6 repeat page,
; 7 ignored.

        .equ    PINB,   0x16
        .equ    DDRB,   0x17
        .equ    PORTB,  0x18
        .equ    MCUCR,  0x35
        .equ    SPL,    0x3D
        .equ    SPH,    0x3E

        .equ    SDA,    0
        .equ    SCL,    1
        .equ    MOSI,   5
        .equ    MISO,   6

        ; DDRB with SDA released (PB1-PB4 and PB6 outputs, PB0, PB5 and
        ; PB7 inputs), and with SDA driven low.
        .equ    DDR_SDA_RELEASED, 0x5E
        .equ    DDR_SDA_LOW,      0x5F

; SDA high: release the line (input first, then the pull-up).
        .macro  SDA_RELEASE
        cbi     DDRB, SDA
        sbi     PORTB, SDA
        .endm

; SDA low: pull-up off first, then an output at 0.
        .macro  SDA_LOW
        cbi     PORTB, SDA
        sbi     DDRB, SDA
        .endm

        .text
        .global Start
Start:
        rjmp    Setup                   ; word 0: reset
        .fill   13, 2, 0xFFFF           ; words 1-13: no interrupts used

Setup:                                  ; word 14
        ldi     r16, 0xC0
        out     MCUCR, r16
        ldi     r16, 0x03               ; I2C bus idle: SDA pulled up, SCL
        out     PORTB, r16              ; high (still an input here)
        ldi     r16, DDR_SDA_RELEASED   ; SCL, PB2-PB4, MISO out; SDA, PB5,
        out     DDRB, r16               ; PB7 in. MISO low from here on
        ldi     r16, 0x61               ; one return address at 0x60-0x61
        out     SPL, r16
        clr     r4                      ; PORTB: SCL low, SDA pull-up off
        out     SPH, r4
        ldi     r16, DDR_SDA_RELEASED
        mov     r2, r16                 ; DDRB: SDA released
        ldi     r16, DDR_SDA_LOW
        mov     r3, r16                 ; DDRB: SDA low
        ldi     r16, 0x01
        mov     r5, r16                 ; PORTB: SCL low, SDA pull-up on
        ldi     r16, 0x02
        mov     r6, r16                 ; PORTB: SCL high, pull-up off
        ldi     r16, 0x03
        mov     r7, r16                 ; PORTB: SCL high, pull-up on

; ---- inline steps of the streaming loops -----------------------------------
; Read all and read back run these once per byte; they are macros so that
; a byte costs no calls (the PC ticks through every cycle of it).

; One byte in r16 to the PC.
; PB6 goes high (start) with the write in SBI's second cycle w; bit 7 is
; written in cycle w + 4 and each bit stays 7 cycles, so the PC's samples,
; 7, 14, ... 56 ticks after it saw the start, fall on the fourth of the
; seven edges of each bit whatever the pins' output delay. The last bit is
; held 7 cycles too (the three NOPs make up for the loop's untaken branch)
; before PB6 goes low (end of byte).
        .macro  SEND_BYTE
        in      r26, PORTB
        andi    r26, 0xBF               ; port B with MISO low
        sec
        rol     r16                     ; carry = bit 7, marker into bit 0
        sbi     PORTB, MISO             ; start
1:                                      ; 7 cycles a bit
        mov     r27, r26
        brcc    2f
        ori     r27, 0x40
2:
        out     PORTB, r27
        lsl     r16
        brne    1b
        nop
        nop
        nop
        cbi     PORTB, MISO             ; end of byte
        .endm

; I2C read of one byte into r16, most significant bit first: SDA released,
; then 8 times SCL high, sample SDA, SCL low. The carry is cleared once:
; ROL moves the marker's zero bits above it into carry until the eighth
; bit. Each sample comes 5 cycles after the previous SCL low was written,
; so the EEPROM's next bit is on SDA as long as the pins' output delay and
; input synchroniser add up to 5 cycles or less (the chip's: 2); the first
; comes 5 cycles after the pull-up was switched on.
        .macro  I2C_READ
        out     DDRB, r2                ; SDA released (see I2C_ACK)
        out     PORTB, r5
        ldi     r16, 0x01               ; marker
        clc
1:                                      ; 9 cycles a bit
        sbi     PORTB, SCL
        sbic    PINB, SDA
        sec
        rol     r16
        cbi     PORTB, SCL
        brcc    1b
        .endm

; Master acknowledge: SDA low; nop; SCL high; nop; SCL low.
; Here and at the start of I2C_READ, SCL and MISO are low and the other
; port B bits clear, so the SDA steps are whole-register writes of the
; images in r2-r5, a cycle each.
        .macro  I2C_ACK
        out     PORTB, r4               ; SDA low: pull-up off, then
        out     DDRB, r3                ; an output at 0
        nop
        sbi     PORTB, SCL
        nop
        cbi     PORTB, SCL
        .endm

; ---- command loop --------------------------------------------------------
CommandLoop:
        rcall   ReceiveByte
        mov     r21, r16
        andi    r16, 0x07
        cpi     r16, 0x07
        breq    CommandLoop             ; 7: ignored
        ldi     r30, pm_lo8(JumpTable)
        ldi     r31, pm_hi8(JumpTable)
        add     r30, r16                ; the table lies low in flash: no carry
        ijmp

JumpTable:
        rjmp    ReadAll                 ; 0
        rjmp    ReadAll                 ; 1
        rjmp    ReadAll                 ; 2
        rjmp    ReadBackPage            ; 3
        rjmp    StartWrite              ; 4
        rjmp    NextPage                ; 5
        rjmp    PageData                ; 6: repeat page

; ---- read all: stream the EEPROM from address 0 until the PC stops --------
ReadAll:
        clr     r17
        clr     r18
        clr     r19
ReadAllAddress:
        rcall   I2cStart
        mov     r16, r19                ; 0xA0 | block bits
        lsl     r16
        ori     r16, 0xA0
        rcall   I2cWrite
        mov     r16, r18
        rcall   I2cWrite
        mov     r16, r17
        rcall   I2cWrite
        rcall   I2cStart
        ldi     r16, 0xA1
        rcall   I2cWrite
ReadAllByte:
        I2C_READ
        SEND_BYTE
        inc     r17
        brne    ReadAllNext
        inc     r18
        brne    ReadAllNext
        inc     r19                     ; 64 KiB boundary: address the next block
        rcall   I2cNack
        rcall   I2cStop
        rjmp    ReadAllAddress
ReadAllNext:
        I2C_ACK
        rjmp    ReadAllByte

; ---- page writes -----------------------------------------------------------
StartWrite:
        clr     r17
        clr     r18
        clr     r19
        mov     r24, r21                ; page length = (command & 0xF8) * 4
        andi    r24, 0xF8
        clr     r25
        lsl     r24
        rol     r25
        lsl     r24
        rol     r25
        rjmp    PageData

NextPage:
        add     r17, r24
        adc     r18, r25
        brcc    PageData
        inc     r19

PageData:
        rcall   ReceiveByte
        mov     r22, r16                ; first data byte, out of the counter's way
PagePoll:
        rcall   I2cStart                ; acknowledge polling: the EEPROM may
        mov     r16, r19                ; still be in its write cycle
        lsl     r16
        ori     r16, 0xA0
        rcall   I2cWrite
        brcs    PagePoll
        mov     r16, r18
        rcall   I2cWrite
        mov     r16, r17
        rcall   I2cWrite
        mov     r20, r24                ; counter := page length
        mov     r21, r25
        mov     r16, r22
        rcall   I2cWrite
PageNext:
        subi    r20, 1
        sbci    r21, 0
        breq    PageEnd
        rcall   ReceiveByte
        rcall   I2cWrite
        rjmp    PageNext
PageEnd:
        rcall   I2cStop                 ; the EEPROM starts its write cycle
        rjmp    CommandLoop

; ---- read back the page just written (the address is kept) ---------------
ReadBackPage:
        rcall   I2cStart
        mov     r16, r19
        lsl     r16
        ori     r16, 0xA0
        rcall   I2cWrite
        brcs    ReadBackPage            ; still writing: poll again
        mov     r16, r18
        rcall   I2cWrite
        mov     r16, r17
        rcall   I2cWrite
        rcall   I2cStart
        ldi     r16, 0xA1
        rcall   I2cWrite
        mov     r20, r24
        mov     r21, r25
ReadBackByte:
        I2C_READ
        SEND_BYTE
        subi    r20, 1
        sbci    r21, 0
        breq    ReadBackEnd
        I2C_ACK
        rjmp    ReadBackByte
ReadBackEnd:
        rcall   I2cNack
        rcall   I2cStop
        rjmp    CommandLoop

; ---- one byte from the PC into r16 -----------------------------------------
; PB6 goes high (ready) with the write in SBI's second cycle w. The PC sees
; it after the edge w + 2 (the pin takes the new level on the edge that
; ends cycle w) and puts bit k on MOSI for the edges w + 3 + 5k to
; w + 7 + 5k. The SBIC of pass k runs in cycle w + 5 + 5k and, through the
; input synchroniser, sees the line as it was on edge w + 5 + 5k, the
; middle of the bit. This holds while the output delay and the input
; synchroniser add up to 0 to 4 cycles (the chip's: 2). The marker bit
; reaches carry after 8 bits.
ReceiveByte:
        sbi     PORTB, MISO             ; ready
        ldi     r16, 0x01               ; marker
        nop                             ; centre the samples in the bits
        nop
        clc
ReceiveBit:                             ; 5 cycles a bit
        sbic    PINB, MOSI
        sec
        rol     r16
        brcc    ReceiveBit
        cbi     PORTB, MISO             ; acknowledge
        ret

; ---- I2C bus primitives (SDA = PB0, SCL = PB1) ----------------------------
I2cStart:
        SDA_RELEASE
        sbi     PORTB, SCL
        nop
        SDA_LOW
        nop
        cbi     PORTB, SCL
        ret

I2cStop:
        SDA_LOW
        nop
        sbi     PORTB, SCL
        nop
        SDA_RELEASE
        ret

I2cNack:
        SDA_RELEASE
        nop
        sbi     PORTB, SCL
        nop
        cbi     PORTB, SCL
        ret

; Writes r16, most significant bit first: 8 times SDA to the bit, SCL
; high, SCL low; then SDA released, SCL high, sample SDA, SCL low. Carry
; set on return = the EEPROM did not acknowledge. Every I2C write happens
; with MISO low and the other port B bits clear, so whole-register writes
; of the images in r2-r7 (OUT, one cycle) stand for the single-bit steps.
; A 1 releases SDA (DDRB first, then the pull-up), a 0 drives it low
; (pull-up off first, then DDRB), each while SCL is low. The acknowledge
; is sampled 4 cycles after the pull-up was switched on, so a line the
; EEPROM leaves alone reads high while the output delay and the input
; synchroniser add up to 4 cycles or less.
I2cWrite:
        sec
        rol     r16                     ; carry = bit 7, marker into bit 0
I2cWriteBit:                            ; 9 or 10 cycles a bit
        brcc    1f
        out     DDRB, r2                ; 1: SDA an input (floats)
        out     PORTB, r5               ; pull-up on: the line rises
        out     PORTB, r7               ; SCL high: the EEPROM takes the bit
        out     PORTB, r5               ; SCL low
        rjmp    2f
1:
        out     PORTB, r4               ; 0: pull-up off (floats)
        out     DDRB, r3                ; SDA an output at 0
        out     PORTB, r6               ; SCL high: the EEPROM takes the bit
        out     PORTB, r4               ; SCL low
2:
        lsl     r16                     ; the next bit; zero once the
        brne    I2cWriteBit             ; marker has left
        out     DDRB, r2                ; SDA released for the acknowledge
        out     PORTB, r5
        clc
        out     PORTB, r7               ; SCL high
        nop
        sbic    PINB, SDA
        sec
        out     PORTB, r5               ; SCL low
        ret

End:
        .fill   522 - (End - Start), 1, 0xFF
