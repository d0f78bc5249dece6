#!/usr/bin/env python3
"""Writes the ini fixtures of the compiler core tests (run from this folder).

The files are kept in the tree; this script documents how their bytes (CR LF or LF line
ends, code page 850 letters) were made.
"""

EXT = b'\x84\x94\x81\x8e\x99\x9a\xe1'   # code page 850: ae oe ue Ae Oe Ue sz

COMPLETE = [
    b'[Complete settings of the test manual]',
    b'language = engl',
    b'source format = soft',
    b'list chars = -*',
    b'index char = ^',
    b'no more links in = para',
    b'font A = Arial,Helvetica Red 12 fswiss:Arial',
    b'font C = Courier_New,Courier 10 PRE fmodern:Courier_New',
    b'toggles = ~_!`|}{[]<>$',
    b'ending of words = S ES ED ING',
    b'text for link to subchapters = See also (Font C)',
    b'text for link to next chapter = Next chapter',
    b'help subtable start id = -1000',
    b'helptable filename = manual.hlt',
    b'panel id filename = *.PAN',
    b'extended letters = ' + EXT,
    b'index filter = , . ;',
    b'target = htmlhelp',
    b'new file level = 2',
    b'function for first line =     Back Forward Content Index',
    b'function for last line = back forward',
    b'text for first line =      Back Forward Contents Index',
    b'text for last line = Back Forward',
    b'title in every file = yes (Font A)',
    b'horizontal rule level = 1',
    b'text for link to main chapter = NO',
    b'beep = yes',
    b'pre filename = man*',
    b'buttons = java (Font C)',
    b'body tags = bgcolor=white',
    b'entries for extended index = 40',
    b'source codepage = ibm',
    b'content level = 3',
    b'filename appearance = Sample.htm',
    b'default frame = main',
    b'file title = DOCTITLE - HEADING',
    b'meta content = HEADING',
    b'notes text = Notes',
    b'list indention = 4',
    b'default font size = 3',
    b'heading fonts = AACCAA ',
    b'contents creation = both',
    b'contents general text = Test manual',
    b'keep heading = yes',
    b'printed listchars = -',
    b'footnotes = noframes java',
    b'url graphics file = NO',
    b'graphic path = pics;[PROJECTDIR]\\shared\\',
    b'search graphic files = no',
    b'filenames = dos',
    b'contents tree = Contents;open;close (Font A)',
    b'statusbar mouseover = Go to HEADING',
    b'statusbar default = DOCTITLE',
    b'contents frame = contents',
    b'contents tags = no',
    b'create contents = yes',
    b'create index = nothing',
    b'winhelp fonts for html heading = yes',
    b'color correction = yes',
    b'automatic heading enumeration = no',
]

# Every key with other text or blanks around it: the key is found as long as its text
# stands before the first "=".
SPACED = [
    b'this line is never read',
    b'  Language   =engl',
    b'my source format= soft',
    b'LIST CHARS    =-*',
    b'  Index Char   = ^',
    b'No More Links In = no',
    b'font B=arial 12',
    b'the toggles = ~_!`|}{[]<>$',
    b'xEnding Of Wordsx = s',
    b'Text For Link To Subchapters = Sub',
    b'Text For Link To Next Chapter = Next',
    b'HELP SUBTABLE START ID =  7',
    b'the helptable filename = a.hlt',
    b'Panel Id Filename = *.pan',
    b'  extended letters =' + EXT,
    b'my index filter= ,',
    b'Target    = ipf',
    b'New File Level = 3',
    b'Function For First Line = back',
    b'Function For Last Line = back',
    b'Text For First Line = Back',
    b'Text For Last Line = Back',
    b'Title In Every File = no',
    b'Horizontal Rule Level = 0',
    b'Text For Link To Main Chapter = Up',
    b'  beep = no',
    b'Pre Filename = *',
    b'Buttons = gif',
    b'Body Tags = no',
    b'Entries For Extended Index = 0',
    b'Source Codepage = ibm',
    b'Content Level = 6',
    b'Filename Appearance = SAMPLE.HTML',
    b'Default Frame = _top',
    b'File Title = NO',
    b'Meta Content = NO',
    b'Notes Text = N',
    b'List Indention = 0',
    b'Default Font Size = 2',
    b'Heading Fonts = ABCDEF',
    b'Contents Creation = intern',
    b'Contents General Text = G',
    b'Keep Heading = no',
    b'Printed Listchars = *',
    b'Footnotes = frames',
    b'Url Graphics File = url',
    b'Graphic Path = no',
    b'Search Graphic Files = yes',
    b'Filenames = long',
    b'Contents Tree = no',
    b'Statusbar Mouseover = HEADING',
    b'Statusbar Default = NO',
    b'Contents Frame = c',
    b'Contents Tags = bgcolor=red',
    b'Create Contents = no',
    b'Create Index = yes',
    b'Winhelp Fonts For Html Heading = no',
    b'Color Correction = no',
    b'Automatic Heading Enumeration = yes',
]

def write(name, lines, eol=b'\r\n', final=True):
    data = eol.join(lines) + (eol if final else b'')
    with open(name, 'wb') as f:
        f.write(data)

def replace(lines, prefix, new):
    out = []
    for l in lines:
        if l.startswith(prefix):
            if new is not None:
                out.append(new)
        else:
            out.append(l)
    return out

write('complete.ini', COMPLETE)
write('complete_lf.ini', COMPLETE, eol=b'\n', final=False)
write('keys_spaced.ini', SPACED)

# "language" stands on the first line (never read); "beep" and "target" are absent.
missing = [b'language = engl'] + [l for l in COMPLETE[2:]
                                  if not l.startswith(b'beep') and not l.startswith(b'target')]
write('missing.ini', missing)

# "text for first line" twice (second wins), a third "font" line: one warning, no stop.
twice = COMPLETE + [b'text for first line = Zurueck Vor', b'font D = Times 11']
write('twice.ini', twice)

# Every line correct, but the index char is also a toggle.
write('clash.ini', replace(COMPLETE, b'toggles', b'toggles = ~_!`|}{[]<^$'))

# Two line errors and one missing key, in English.
errors = replace(COMPLETE, b'index char', b'index char =')
errors = replace(errors, b'target', b'target = help')
errors = replace(errors, b'keep heading', None)
write('errors.ini', errors)

# German messages: the language line first, then a line without "=" and an unknown setting.
german = replace(COMPLETE, b'language', b'language = germ')
german = german + [b'index char ^', b'colour = red']
write('german.ini', german)
