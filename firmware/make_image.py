#!/usr/bin/env python3
"""Builds firmware/orb42tlx-v1.5.hex, the ORB42TLX remote-control program, version 1.5.

The program is written below in PIC16 mid-range assembly (PIC16F886 register map: 8K words of
program memory, 256 bytes of data EEPROM). A small two-pass assembler in this file turns it
into 14-bit words, and the HEX writer emits each section as 16-byte records from the section's
start with a shorter record for its tail, the way a section-by-section linker output looks.

The resident loader owns words 0 to 47, so the program starts at word 0x30 with its three
entry jumps (reset, interrupt, wake-up) and keeps its key-code table in page 3 at 0x1800.
Nothing here is random: the data tables come from fixed formulas, so the output is the same
on every run.

Usage: make_image.py [output.hex]   (default: orb42tlx-v1.5.hex next to this script)
Python 3 standard library only.
"""

import os
import re
import sys

# ---------------------------------------------------------------------------------------------
# Register map (PIC16F886) and the program's RAM variables.

SYMBOLS = {
    "INDF": 0x00, "TMR0": 0x01, "PCL": 0x02, "STATUS": 0x03, "FSR": 0x04, "PORTA": 0x05,
    "PORTB": 0x06, "PORTC": 0x07, "PCLATH": 0x0A, "INTCON": 0x0B, "PIR1": 0x0C, "PIR2": 0x0D,
    "TMR1L": 0x0E, "TMR1H": 0x0F, "T1CON": 0x10, "TMR2": 0x11, "T2CON": 0x12, "CCPR1L": 0x15,
    "CCP1CON": 0x17, "RCSTA": 0x18, "TXREG": 0x19, "RCREG": 0x1A, "ADRESH": 0x1E,
    "ADCON0": 0x1F,
    # bank 1 (RP0 = 1)
    "OPTION_REG": 0x81, "TRISA": 0x85, "TRISB": 0x86, "TRISC": 0x87, "PIE1": 0x8C,
    "PCON": 0x8E, "OSCCON": 0x8F, "PR2": 0x92, "WPUB": 0x95, "IOCB": 0x96, "TXSTA": 0x98,
    "SPBRG": 0x99, "ADCON1": 0x9F,
    # bank 2 (RP1 = 1)
    "EEDAT": 0x10C, "EEADR": 0x10D,
    # bank 3 (RP0 = RP1 = 1)
    "EECON1": 0x18C, "EECON2": 0x18D, "ANSEL": 0x188, "ANSELH": 0x189,
    # STATUS, INTCON, PIR1, EECON1 bits
    "C": 0, "DC": 1, "Z": 2, "RP0": 5, "RP1": 6, "IRP": 7,
    "RBIF": 0, "INTF": 1, "T0IF": 2, "RBIE": 3, "INTE": 4, "T0IE": 5, "PEIE": 6, "GIE": 7,
    "TMR2IF": 1, "TMR1IF": 0, "RD": 0, "WR": 1, "WREN": 2, "EEPGD": 7, "GO": 1,
    # RAM, bank 0
    "key": 0x20, "keyprev": 0x21, "keyrep": 0x22, "ircmd": 0x23, "iraddr": 0x24,
    "bitcnt": 0x25, "shreg": 0x26, "cnt1": 0x27, "cnt2": 0x28, "cnt3": 0x29, "flags": 0x2A,
    "profile": 0x2B, "ticks": 0x2C, "idle_l": 0x2D, "idle_h": 0x2E, "battery": 0x2F,
    "ledcnt": 0x30, "row": 0x31, "col": 0x32, "tmp": 0x33, "tmp2": 0x34, "eeaddr": 0x35,
    "eeval": 0x36, "acc_l": 0x37, "acc_h": 0x38, "arg_l": 0x39, "arg_h": 0x3A,
    "chk": 0x3B, "macro_n": 0x3C, "macro_p": 0x3D,
    # shared RAM, reachable from every bank
    "w_save": 0x70, "s_save": 0x71, "p_save": 0x72, "f_save": 0x73,
    # flag bits
    "F_SENDING": 0, "F_REPEAT": 1, "F_LOWBAT": 2, "F_TICK": 3, "F_SHIFT": 4, "F_LEARN": 5,
    # port pins
    "IR_PIN": 2, "LED_PIN": 4, "EE_PROFILE": 0x10, "EE_MACROS": 0x20,
    # carrier: 36 kHz at Fosc 4 MHz
    "PR2_36K": 27, "DUTY_36K": 9,
}

NKEYS = 26            # keys on the matrix, codes 2 to 27 (0 and 1 mean "no key")
NPROFILES = 4         # device families the remote can drive

# ---------------------------------------------------------------------------------------------
# The program, section by section: (name, origin or None to follow on, source, table filler).
# A table filler is (label, function giving entry i) and completes the section to its size.


def ir_code(profile, i):
    # Command bytes of each device family: a fixed permutation, as the code books list them.
    return (0x10 * profile + 37 * i + 11) & 0xFF


def brand_entry(i):
    # Two entries per brand of the code book: the device address, then the command family.
    brand = i >> 1
    if i & 1:
        return (brand * 7 + brand // 5) & 3
    return (0x04, 0x20, 0x40, 0x86, 0x0A, 0x12, 0x1C, 0x31)[brand % 8] + (brand // 8 & 1)


def key_handlers():
    lines = ["key_dispatch:", "        movlw high key_jumps", "        movwf PCLATH",
             "        movf key,w", "        addlw 0xFE", "key_jumps:", "        addwf PCL,f"]
    lines += ["        goto key_%d" % k for k in range(2, 2 + NKEYS)]
    for k in range(2, 2 + NKEYS):
        lines += ["key_%d:" % k, "        movlw %d" % k]
        if k % 9 == 0:
            lines += ["        bsf flags,F_SHIFT"]
        lines += ["        goto send_key"]
    return "\n".join(lines)


SECTIONS = [
    ("entry", 0x30, """
        bcf PCLATH,3
        bcf PCLATH,4
        goto start
        bcf PCLATH,3
        bcf PCLATH,4
        goto isr
        bcf PCLATH,3
        bcf PCLATH,4
        goto wake
delay_ms:                       ; W milliseconds at 1 us per cycle
        movwf cnt2
dms_outer:
        movlw 249
        movwf cnt1
dms_inner:
        clrwdt
        decfsz cnt1,f
        goto dms_inner
        decfsz cnt2,f
        goto dms_outer
        return
delay_10us:                     ; W times 10 us
        movwf cnt1
d10_loop:
        goto $+1
        goto $+1
        nop
        decfsz cnt1,f
        goto d10_loop
        return
bit_mask:                       ; W = 1 << (W & 7)
        andlw 7
        movwf tmp
        movlw 1
        movwf tmp2
bm_loop:
        movf tmp,f
        btfsc STATUS,Z
        goto bm_done
        bcf STATUS,C
        rlf tmp2,f
        decf tmp,f
        goto bm_loop
bm_done:
        movf tmp2,w
        return
""", None),
    ("carrier", None, """
carrier_on:                     ; CCP1 PWM at 36 kHz, one third duty
        bsf STATUS,RP0
        movlw PR2_36K
        movwf PR2
        bcf STATUS,RP0
        movlw DUTY_36K
        movwf CCPR1L
        movlw 0x0C
        movwf CCP1CON
        movlw 0x04
        movwf T2CON
        return
carrier_off:
        clrf CCP1CON
        bcf PORTC,IR_PIN
        clrf T2CON
        return
mark:                           ; carrier for W times 10 us
        movwf cnt3
        call carrier_on
        movf cnt3,w
        call delay_10us
        goto carrier_off
space:                          ; silence for W times 10 us
        goto delay_10us
send_byte:                      ; W sent LSB first, pulse distance coding
        movwf shreg
        movlw 8
        movwf bitcnt
sb_loop:
        movlw 56
        call mark
        movlw 56
        btfsc shreg,0
        movlw 169
        call space
        rrf shreg,f
        decfsz bitcnt,f
        goto sb_loop
        return
""", ("timing_table", lambda i: (56, 169, 225, 90, 56, 225, 45, 112)[i % 8])),
    ("frame", None, """
send_frame:                     ; header, address, ~address, command, ~command, stop bit
        bsf flags,F_SENDING
        movlw 225
        call mark
        movlw 225
        call mark
        movlw 225
        call space
        movf iraddr,w
        call send_byte
        comf iraddr,w
        call send_byte
        movf ircmd,w
        call send_byte
        comf ircmd,w
        call send_byte
        movlw 56
        call mark
        bcf flags,F_SENDING
        return
send_repeat:                    ; repeat code while the key is held
        movlw 225
        call mark
        movlw 225
        call mark
        movlw 112
        call space
        movlw 56
        call mark
        return
profile_address:                ; W = device address of the current profile
        movlw high address_table
        movwf PCLATH
        movf profile,w
        andlw 3
address_table:
        addwf PCL,f
        retlw 0x04
        retlw 0x20
        retlw 0x40
        retlw 0x86
""", None),
    ("keys", None, """
scan_keys:                      ; key = matrix position + 2, or 0
        clrf key
        movlw 0xFE
        movwf row
        clrf tmp2
sk_row:
        movf row,w
        movwf PORTB
        movlw 2
        call delay_10us
        comf PORTA,w
        andlw 0x0F
        btfss STATUS,Z
        goto sk_hit
        movlw 4
        addwf tmp2,f
        bsf STATUS,C
        rlf row,f
        btfsc row,7
        goto sk_row
        movlw 0xFF
        movwf PORTB
        return
sk_hit:
        movwf col
        clrf tmp
sk_col:
        rrf col,f
        btfsc STATUS,C
        goto sk_found
        incf tmp,f
        goto sk_col
sk_found:
        movf tmp,w
        addwf tmp2,w
        addlw 2
        movwf key
        movlw 0xFF
        movwf PORTB
        return
debounce:                       ; two equal scans 8 ms apart
        call scan_keys
        movf key,w
        movwf keyprev
        movlw 8
        call delay_ms
        call scan_keys
        movf key,w
        xorwf keyprev,w
        btfss STATUS,Z
        clrf key
        return
""", None),
    ("dispatch", None, key_handlers(), None),
    ("send", None, """
send_key:                       ; W = key code
        movwf key
        sublw 27
        btfss STATUS,C
        retlw 0
        call lookup_command
        movwf ircmd
        call profile_address
        movwf iraddr
        call send_frame
        clrf keyrep
sk_hold:
        movlw 40
        call delay_ms
        call scan_keys
        movf key,w
        btfsc STATUS,Z
        goto sk_release
        incf keyrep,f
        call send_repeat
        goto sk_hold
sk_release:
        bcf flags,F_SHIFT
        clrf idle_l
        clrf idle_h
        goto main_loop
lookup_command:                 ; key code -> command byte of the current profile
        movf profile,w
        andlw 3
        btfss STATUS,Z
        goto lc_profile
        movlw high key_table
        movwf PCLATH
        movf key,w
        call key_table_jump
        clrf PCLATH
        return
lc_profile:                     ; 32 entries per profile, profiles 1 to 3
        addlw 0xFF
        movwf tmp
        swapf tmp,f
        bcf STATUS,C
        rlf tmp,w
        andlw 0x60
        addwf key,w
        movwf tmp
        movlw high code_table
        movwf PCLATH
        movf tmp,w
        goto code_table
""", None),
    ("codes", None, """
code_table:
        addwf PCL,f
""", ("code_table_data", lambda i: ir_code(1 + (i >> 5), i & 31))),
    ("init", 0x1BA, """
start:                          ; clear RAM 0x20-0x7F, then set the ports up
        movlw 0x20
        movwf FSR
clr_ram:
        clrf INDF
        incf FSR,f
        btfss FSR,7
        goto clr_ram
        goto init
isr:
        movwf w_save
        swapf STATUS,w
        clrf STATUS
        movwf s_save
        movf PCLATH,w
        movwf p_save
        clrf PCLATH
        btfsc INTCON,RBIF
        goto isr_keys
        btfss PIR1,TMR1IF
        goto isr_out
        bcf PIR1,TMR1IF
        bsf flags,F_TICK
        incf ticks,f
        goto isr_out
isr_keys:
        movf PORTB,w
        bcf INTCON,RBIF
isr_out:
        movf p_save,w
        movwf PCLATH
        swapf s_save,w
        movwf STATUS
        swapf w_save,f
        swapf w_save,w
        retfie
init:
        bsf STATUS,RP0
        bsf STATUS,RP1
        clrf ANSEL
        clrf ANSELH
        bcf STATUS,RP1
        movlw 0x61
        movwf OSCCON
        movlw 0x0F
        movwf TRISA
        clrf TRISB
        movlw 0xC0
        movwf TRISC
        movlw 0x07
        movwf OPTION_REG
        movlw 0x01
        movwf PIE1
        bcf STATUS,RP0
        movlw 0xFF
        movwf PORTB
        clrf PORTC
        clrf PORTA
        movlw 0x31
        movwf T1CON
        movlw EE_PROFILE
        call ee_read
        andlw 3
        movwf profile
        movlw 0xC0
        movwf INTCON
        goto main_loop
""", None),
    ("main", None, """
main_loop:
        clrwdt
        call debounce
        movf key,f
        btfss STATUS,Z
        goto key_dispatch
        btfss flags,F_TICK
        goto main_loop
        bcf flags,F_TICK
        call battery_check
        call led_update
        incf idle_l,f
        btfsc STATUS,Z
        incf idle_h,f
        movlw 0x02
        subwf idle_h,w
        btfss STATUS,C
        goto main_loop
        call power_down
        goto main_loop
wake:
        clrf STATUS
        clrf idle_l
        clrf idle_h
        bcf INTCON,RBIF
        goto main_loop
""", ("led_pattern", lambda i: (0x00, 0x01, 0x05, 0x15, 0x55, 0x57, 0x5F, 0x7F)[i % 8])),
    ("power", None, """
power_down:                     ; all off, wake on a key
        call carrier_off
        bcf PORTC,LED_PIN
        clrf PORTB
        bsf STATUS,RP0
        movlw 0xF0
        movwf IOCB
        bcf STATUS,RP0
        movf PORTB,w
        bcf INTCON,RBIF
        bsf INTCON,RBIE
        sleep
        nop
        bcf INTCON,RBIE
        movlw 0xFF
        movwf PORTB
        clrf idle_l
        clrf idle_h
        return
""", None),
    ("battery", None, """
battery_check:                  ; reference against VDD, low below 2.2 V
        movlw 0x35
        movwf ADCON0
        movlw 5
        call delay_10us
        bsf ADCON0,GO
bc_wait:
        btfsc ADCON0,GO
        goto bc_wait
        movf ADRESH,w
        movwf battery
        clrf ADCON0
        sublw 0x90
        btfss STATUS,C
        bsf flags,F_LOWBAT
        btfsc STATUS,C
        bcf flags,F_LOWBAT
        return
led_update:
        incf ledcnt,f
        btfss flags,F_LOWBAT
        goto led_off
        movf ledcnt,w
        andlw 0x07
        btfsc STATUS,Z
        bsf PORTC,LED_PIN
        btfss STATUS,Z
led_off:
        bcf PORTC,LED_PIN
        return
""", None),
    ("eeprom", None, """
ee_read:                        ; W = EEPROM[W]
        bsf STATUS,RP1
        movwf EEADR
        bsf STATUS,RP0
        bcf EECON1,EEPGD
        bsf EECON1,RD
        bcf STATUS,RP0
        movf EEDAT,w
        bcf STATUS,RP1
        return
ee_write:                       ; EEPROM[eeaddr] = eeval
        movf eeaddr,w
        bsf STATUS,RP1
        movwf EEADR
        bcf STATUS,RP1
        movf eeval,w
        bsf STATUS,RP1
        movwf EEDAT
        bsf STATUS,RP0
        bcf EECON1,EEPGD
        bsf EECON1,WREN
        bcf INTCON,GIE
        movlw 0x55
        movwf EECON2
        movlw 0xAA
        movwf EECON2
        bsf EECON1,WR
        bsf INTCON,GIE
ew_wait:
        clrwdt
        btfsc EECON1,WR
        goto ew_wait
        bcf EECON1,WREN
        bcf STATUS,RP0
        bcf STATUS,RP1
        bcf PIR2,4                      ; EEIF
        return
""", None),
    ("setup", None, """
set_profile:                    ; SHIFT + key 2..5 picks the device family
        movf key,w
        addlw 0xFE
        andlw 3
        movwf profile
        movwf eeval
        movlw EE_PROFILE
        movwf eeaddr
        call ee_write
        movlw 3
        movwf cnt3
sp_blink:
        bsf PORTC,LED_PIN
        movlw 100
        call delay_ms
        bcf PORTC,LED_PIN
        movlw 100
        call delay_ms
        decfsz cnt3,f
        goto sp_blink
        return
set_brand:                      ; arg = brand number: device address and family from the book
        bcf STATUS,C
        rlf arg_l,f
        rlf arg_h,f
        call brand_read
        movwf iraddr
        incf arg_l,f
        btfsc STATUS,Z
        incf arg_h,f
        call brand_read
        andlw 3
        movwf profile
        movwf eeval
        movlw EE_PROFILE
        movwf eeaddr
        goto ee_write
brand_read:                     ; W = brand_table[arg], a table longer than one 256-word block
        movlw low brand_table
        addwf arg_l,w
        movwf tmp
        movlw high brand_table
        btfsc STATUS,C
        addlw 1
        addwf arg_h,w
        movwf PCLATH
        movf tmp,w
        movwf PCL
""", ("brand_table", brand_entry)),
    ("macros", None, """
play_macro:                     ; replays up to eight keys stored in EEPROM
        btfsc flags,F_LOWBAT
        return
        movlw EE_MACROS
        movwf macro_p
        movlw 8
        movwf macro_n
pm_next:
        clrwdt
        movf macro_p,w
        call ee_read
        movwf key
        movf key,f
        btfsc STATUS,Z
        return
        call lookup_command
        movwf ircmd
        call profile_address
        movwf iraddr
        call send_frame
        movlw 120
        call delay_ms
        incf macro_p,f
        decfsz macro_n,f
        goto pm_next
        return
sum_eeprom:                     ; W = two's complement of the sum of the settings 0x10-0x2F
        clrf chk
        movlw 0x10
        movwf eeaddr
se_loop:
        movf eeaddr,w
        call ee_read
        addwf chk,f
        incf eeaddr,f
        movlw 0x30
        subwf eeaddr,w
        btfss STATUS,C
        goto se_loop
        comf chk,w
        addlw 1
        return
add16:                          ; acc += arg
        movf arg_l,w
        addwf acc_l,f
        btfsc STATUS,C
        incf acc_h,f
        movf arg_h,w
        addwf acc_h,f
        return
""", None),
    # Page 3: the key-code table of the default profile, reached through key_table_jump.
    ("key_blank", 0x1800, """
key_table:                      ; codes 0 and 1: no key
        retlw 0
        retlw 0
""", None),
    ("key_codes", None, "\n".join("        retlw %d" % ir_code(0, k) for k in range(2, 2 + NKEYS))
     + "\nkey_table_jump:                 ; PCLATH holds 0x18, W the key code\n        movwf PCL\n",
     None),
]

# The size of every section in words. Each one is 8n + 2, 3, 5 or 6 words, so that its tail
# record carries 4, 6, 10 or 12 bytes.
SECTION_WORDS = {
    "entry": 38, "carrier": 43, "frame": 37, "keys": 46, "dispatch": 86, "send": 45,
    "codes": 99, "init": 61, "main": 34, "power": 18, "battery": 26, "eeprom": 34,
    "setup": 342, "macros": 45, "key_blank": 2, "key_codes": 27,
}

# ---------------------------------------------------------------------------------------------
# A two-pass assembler for the PIC16 mid-range instruction set.

BYTE_OPS = {"addwf": 0x0700, "andwf": 0x0500, "comf": 0x0900, "decf": 0x0300,
            "decfsz": 0x0B00, "incf": 0x0A00, "incfsz": 0x0F00, "iorwf": 0x0400,
            "movf": 0x0800, "rlf": 0x0D00, "rrf": 0x0C00, "subwf": 0x0200, "swapf": 0x0E00,
            "xorwf": 0x0600}
BIT_OPS = {"bcf": 0x1000, "bsf": 0x1400, "btfsc": 0x1800, "btfss": 0x1C00}
LIT_OPS = {"addlw": 0x3E00, "andlw": 0x3900, "iorlw": 0x3800, "movlw": 0x3000,
           "retlw": 0x3400, "sublw": 0x3C00, "xorlw": 0x3A00}
BARE_OPS = {"nop": 0x0000, "return": 0x0008, "retfie": 0x0009, "sleep": 0x0063,
            "clrwdt": 0x0064, "clrw": 0x0100}


def parse(source):
    """Yields (label or None, mnemonic or None, operand list) for each line."""
    for raw in source.splitlines():
        line = raw.split(";", 1)[0].rstrip()
        if not line.strip():
            continue
        label = None
        m = re.match(r"^([A-Za-z_]\w*):(.*)$", line.strip())
        if m:
            label, line = m.group(1), m.group(2)
        parts = line.split(None, 1)
        if not parts:
            yield label, None, []
            continue
        operands = [o.strip() for o in parts[1].split(",")] if len(parts) > 1 else []
        yield label, parts[0].lower(), operands


def evaluate(expr, symbols, here):
    expr = expr.strip()
    if expr.startswith("low "):
        return evaluate(expr[4:], symbols, here) & 0xFF
    if expr.startswith("high "):
        return (evaluate(expr[5:], symbols, here) >> 8) & 0xFF
    total, sign = 0, 1
    for token in re.findall(r"0[xX][0-9a-fA-F]+|\d+|[A-Za-z_]\w*|\$|\S", expr):
        if token in "+-":
            sign = 1 if token == "+" else -1
            continue
        if token == "$":
            value = here
        elif token[0].isdigit():
            value = int(token, 0)
        else:
            value = symbols[token]
        total += sign * value
    return total


def encode(mnemonic, operands, symbols, here):
    ev = lambda e: evaluate(e, symbols, here)
    if mnemonic in BYTE_OPS:
        dest = 1 if operands[1].lower() == "f" else 0
        return BYTE_OPS[mnemonic] | dest << 7 | (ev(operands[0]) & 0x7F)
    if mnemonic in BIT_OPS:
        bit = ev(operands[1])
        assert 0 <= bit <= 7
        return BIT_OPS[mnemonic] | bit << 7 | (ev(operands[0]) & 0x7F)
    if mnemonic in LIT_OPS:
        return LIT_OPS[mnemonic] | (ev(operands[0]) & 0xFF)
    if mnemonic in BARE_OPS:
        return BARE_OPS[mnemonic]
    if mnemonic == "movwf":
        return 0x0080 | (ev(operands[0]) & 0x7F)
    if mnemonic == "clrf":
        return 0x0180 | (ev(operands[0]) & 0x7F)
    if mnemonic in ("call", "goto"):
        target = ev(operands[0])
        if mnemonic == "goto" or not operands[0].startswith("key_table"):
            assert target >> 11 == here >> 11, "%s %s leaves its page" % (mnemonic, operands[0])
        return (0x2000 if mnemonic == "call" else 0x2800) | (target & 0x7FF)
    raise ValueError("unknown instruction " + mnemonic)


def section_lines(name, source, filler, size):
    """The section's lines, its table filler expanded so that the section has `size` words."""
    lines = list(parse(source))
    code_words = sum(1 for _, m, _ in lines if m)
    if filler:
        label, entry = filler
        count = size - code_words
        assert count > 0, "%s: no room for %s" % (name, label)
        lines.append((label, "retlw", [str(entry(0))]))
        lines += [(None, "retlw", [str(entry(i))]) for i in range(1, count)]
    return lines


def assemble():
    """Returns a list of (byte address, words) per section."""
    symbols = dict(SYMBOLS)
    layout, here = [], None
    for name, origin, source, filler in SECTIONS:
        here = origin if origin is not None else here
        lines = section_lines(name, source, filler, SECTION_WORDS[name])
        layout.append((name, here, lines))
        address = here
        for label, mnemonic, _ in lines:
            if label:
                assert label not in symbols, label
                symbols[label] = address
            if mnemonic:
                address += 1
        assert address - here == SECTION_WORDS[name], "%s is %d words" % (name, address - here)
        here = address
    sections = []
    for name, start, lines in layout:
        words, address = [], start
        for _, mnemonic, operands in lines:
            if mnemonic:
                words.append(encode(mnemonic, operands, symbols, address))
                address += 1
        sections.append((start * 2, words))
    check_tables(symbols)
    return sections


def check_tables(symbols):
    # A computed goto (addwf PCL) only reaches the 256-word block its PCLATH names.
    for table, last in (("key_jumps", "key_jumps + %d" % NKEYS),
                        ("address_table", "address_table + 4"),
                        ("code_table", "code_table + 98")):
        first = symbols[table]
        end = evaluate(last, symbols, 0)
        assert first >> 8 == end >> 8, table + " crosses a 256-word block"
    assert symbols["start"] == 0x1BA and symbols["isr"] == 0x1C1


# ---------------------------------------------------------------------------------------------
# Intel HEX output.

def record(address, rtype, data):
    body = bytes([len(data), address >> 8, address & 0xFF, rtype]) + bytes(data)
    return ":%s%02X" % (body.hex().upper(), (-sum(body)) & 0xFF)


def hex_records(sections):
    rows = []
    for address, words in sections:
        data = b"".join(bytes([w & 0xFF, w >> 8]) for w in words)
        for offset in range(0, len(data), 16):
            rows.append(record(address + offset, 0, data[offset:offset + 16]))
    rows.append(record(0, 1, b""))
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "orb42tlx-v1.5.hex")
    sections = assemble()
    assert all(w < 0x4000 for _, words in sections for w in words)
    rows = hex_records(sections)
    with open(out, "w", newline="\n") as f:
        f.write("\n".join(rows) + "\n")
    words = sum(len(w) for _, w in sections)
    print("%s: %d records, %d program words" % (out, len(rows), words))


if __name__ == "__main__":
    main()
