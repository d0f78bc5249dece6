#!/usr/bin/env python3
"""Writes the expected character-conversion tables used by the compiler core tests.

Derived only from the written rules of the character conversion and from Python's own
cp850 / cp1252 codecs; it never runs the compiler's code. Run it from this folder:
    python3 make_expected.py
Each output file has one line per source byte: two hex digits, a tab, the bytes written
(printable ASCII as is, "\\" for a backslash, "\\xNN" for any other byte), or "!error" when
the byte is refused with a source error.
"""

def cp1252_byte(ch):
    try:
        return ch.encode('cp1252')[0]
    except UnicodeEncodeError:
        return None

def cp850_byte(ch):
    try:
        return ch.encode('cp850')[0]
    except UnicodeEncodeError:
        return None

# --- code page 850 -> Windows-1252 -------------------------------------------------------
oem_to_ansi = list(range(256))
for c in range(0x80, 0x100):
    if c in (0x9F, 0xBD, 0xFF):          # florin, cent, no-break space stay as they are
        continue
    b = cp1252_byte(bytes([c]).decode('cp850'))
    if b is not None:
        oem_to_ansi[c] = b
oem_to_ansi[0x15] = 0xA7                 # section sign
oem_to_ansi[0xBF] = 0xAC                 # box corner shown as the not sign

# --- Windows-1252 -> code page 850, as the written rule states it ------------------------
ansi_to_oem = [0] * 256
for c in range(0x100):
    if c == 0x15 or 0x80 <= c <= 0x9E or c in (0xA0, 0xA2):
        ansi_to_oem[c] = 0
    elif c < 0x80:
        ansi_to_oem[c] = c
    elif c == 0xA7:
        ansi_to_oem[c] = 0x15
    elif c == 0x9F:
        ansi_to_oem[c] = 0x9F
    else:
        b = cp850_byte(bytes([c]).decode('cp1252'))
        assert b is not None, hex(c)
        ansi_to_oem[c] = b

# --- the entity table as written ----------------------------------------------------------
ENTITIES = """
&Ccedil; C7 80
&uuml; FC 81
&eacute; E9 82
&acirc; E2 83
&auml; E4 84
&agrave; E0 85
&aring; E5 86
&ccedil; E7 87
&ecirc; EA 88
&euml; EB 89
&egrave; E8 8A
&iuml; EF 8B
&icirc; EE 8C
&igrave; EC 8D
&Auml; C4 8E
&Aring; C5 8F
&Eacute; C9 90
&aelig; E6 91
&AElig; C6 92
&ocirc; F4 93
&ouml; F6 94
&ograve; F2 95
&ucirc; FB 96
&ugrave; F9 97
&yuml; FF 98
&Ouml; D6 99
&Uuml; DC 9A
&oslash; F8 9B
&pound; A3 9C
&Oslash; D8 9D
&aacute; E1 A0
&iacute; ED A1
&oacute; F3 A2
&uacute; FA A3
&ntilde; F1 A4
&Ntilde; D1 A5
&iquest; BF A8
&reg; AE A9
&frac12; BD AB
&frac14; BC AC
&iexcl; A1 AD
&Aacute; C1 B5
&copy; A9 B8
&szlig; DF E1
&otilde; F5 E4
&Otilde; D5 E5
&micro; B5 E6
&Uacute; DA E9
&Ucirc; DB EA
&plusmn; B1 F1
&#167; - F5
&deg; B0 F8
&middot; B7 FA
&sup1; B9 FB
&sup3; B3 FC
&sup2; B2 FD
&frac34; BE -
"""
iso_entity, oem_entity = {}, {}
for line in ENTITIES.strip().splitlines():
    text, iso, oem = line.split()
    if iso != '-':
        iso_entity[int(iso, 16)] = text
    if oem != '-':
        oem_entity[int(oem, 16)] = text
assert len(iso_entity) == 56 and len(oem_entity) == 56

BOX = {c: '+' for c in (0xB4, 0xB9, 0xBB, 0xBC, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC8, 0xC9,
                        0xCA, 0xCB, 0xCC, 0xCE, 0xD9, 0xDA)}
BOX.update({0xC4: '-', 0xCD: '-', 0xB3: '|', 0xBA: '|'})
assert len(BOX) == 22

def ranges(text):
    out = set()
    for part in text.split(','):
        part = part.strip()
        if '-' in part:
            a, b = part.split('-')
            out.update(range(int(a, 16), int(b, 16) + 1))
        else:
            out.add(int(part, 16))
    return out

# The reference lists of codes without an entity, cross-checked against the table above.
ISO_NONE = ranges("80-A0, A2, A4-A8, AA-AD, AF, B4, B6, B8, BA-BB, C0, C2-C3, C8, CA-D0, D2-D4, D7, D9, DD-DE, E3, F0, F7, FD-FE")
OEM_NONE = ranges("9E-9F, A6-A7, AA, AE-B2, B6-B7, BD-BE, C6-C7, CF-D8, DB-E0, E2-E3, E7-E8, EB-F0, F2-F4, F6-F7, F9, FE-FF")
for c in range(0x80, 0x100):
    assert (c in ISO_NONE) != (c in iso_entity), hex(c)
    assert (c in OEM_NONE) != (c in oem_entity or c in BOX), hex(c)

# --- the conversion per target, default context (no flags set) ---------------------------
def html(c, iso):
    specials = {0x26: '&amp;', 0x3C: '&lt;', 0x3E: '&gt;', 0x20: ' ', 0x22: '"'}
    if c in specials:
        return specials[c].encode()
    if iso:
        if c < 0x80:
            return b'' if c == 0x1A else bytes([c])
        if c in iso_entity:
            return iso_entity[c].encode()
        return ('&#%d;' % c).encode()
    if c == 0x15:
        return b'&#167;'
    if c < 0x80:
        return b'' if c == 0x1A else bytes([c])
    if c in oem_entity:
        return oem_entity[c].encode()
    if c in BOX:
        return BOX[c].encode()
    return b' '

def rtf(c, iso):
    if c == 0x1A:
        return b''
    if 0x20 <= c <= 0x7F and c not in (0x7B, 0x7D, 0x5C):
        return bytes([c])
    code = c
    if not iso:
        # Windows-1252 lacks the box drawing, shades and the no-break space of these codes:
        # lines as in HTML ("+", "-", "|"), every other code left untranslated a blank.
        if code in BOX:
            code = ord(BOX[code])
        elif code >= 0x80 and oem_to_ansi[code] == code:
            code = 0x20
        else:
            code = oem_to_ansi[code]
    if code < 0x20:
        return None
    return ("\\'%02x" % code).encode()

def ipf(c, iso):
    # Code page 850 source: the written rules. ISO source (our choice): the same symbol tests
    # on the ISO code (middle dot 0xB7), then the character in code page 850 through
    # AnsiToOem, a blank where code page 850 has none.
    sym = {0x2E: b'&per.', 0x3A: b'&colon.', 0x26: b'&amp.'}
    if c in sym:
        return sym[c]
    if c == (0xB7 if iso else 0xFA):
        return b'&dot.'
    if c == 0x20:
        return b' '
    if not iso:
        return b'' if c == 0x1A else bytes([c])
    o = ansi_to_oem[c]
    if o == 0 and c != 0:
        return b' '
    return b'' if o == 0x1A else bytes([o])

def show(b):
    if b is None:
        return '!error'
    out = []
    for x in b:
        if x == 0x5C:
            out.append('\\\\')
        elif 0x20 <= x <= 0x7E:
            out.append(chr(x))
        else:
            out.append('\\x%02X' % x)
    return ''.join(out)

def write(name, fn):
    with open(name, 'w', newline='\n') as f:
        for c in range(256):
            f.write('%02X\t%s\n' % (c, show(fn(c))))

write('html_cp850.txt', lambda c: html(c, False))
write('html_iso.txt', lambda c: html(c, True))
write('rtf_cp850.txt', lambda c: rtf(c, False))
write('rtf_iso.txt', lambda c: rtf(c, True))
write('ipf_cp850.txt', lambda c: ipf(c, False))
write('ipf_iso.txt', lambda c: ipf(c, True))
write('oem_to_ansi.txt', lambda c: bytes([oem_to_ansi[c]]))
write('ansi_to_oem.txt', lambda c: bytes([ansi_to_oem[c]]))
