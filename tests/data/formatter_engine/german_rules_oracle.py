#!/usr/bin/env python3
"""A second, separate implementation of the built-in German syllable rules, written from the
rule description alone. It produces german_rules_expected.txt, the table that the C++ rules are
checked against: each line is a word (UTF-8), the letters kept each side (".HN"), and the word
with "-" at every allowed break and "=" where the break is allowed and "ck" becomes "k-k".

Usage: german_rules_oracle.py WORDLIST > german_rules_expected.txt
Only mode 0 (German rules), no questions (doubtful breaks are declined), no ancient Greek, no
learned lists, the suite's SILBAUSN.WS exceptions.
"""

import sys

VOWELS = set("aeiouyäöü")
CONSONANTS = set("bcdfghjklmnpqrstvwxzß")
CAPITALS = set("ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÜ")


def lmap(ch):
    if ch == " ":
        return " "
    o = ord(ch)
    if o < 32:
        return "\0"
    if ch in "&-/=_":
        return "-"
    if "A" <= ch <= "Z":
        return ch.lower()
    if "a" <= ch <= "z" or ch in "äöüß":
        return ch
    if ch in "ÄÖÜ":
        return ch.lower()
    return " "


def is_letter(c):
    return c not in (" ", "-")


def L(s):
    return [x for x in s.split(",") if x]


PAIRS = L("ch,sp,kr,kl,ph,pr,fr,fl,th,br,dr,gl,kn,gr,pl,zw,st,tr,bl,cl,cr")
TRIPLES = L("str,spr,pfr,pfl")
FOURS = L("schl,schm,schn,schr,schw")
DIPH = L("ei,ey,ai,ay,au,äu,eu")

# C -> rows of (length, values, x_not, p2_not, special)
FRAG = {
    "h": [(3, "and,ang,älf,äng,aup,elf,eft,ilf,och,öch,öhe,üll", "", ""),
          (3, "in ", "", ""),
          (3, "aft,eit,ung,art,aus,ält,iel", "c", ""),
          (3, "alt", "cp", ""), (3, "alb", "", "ch")],
    "l": [(2, "en,er,es", "", ""), (3, "and,auc,äuf,aug,eer,ehr,euc,eut,isc,ege,egt", "", ""),
          (4, "iefe", "", ""), (2, "os", "fk", "ch"), (2, "ös", "", "ch"), (3, "ung", "", "rk"),
          (3, "auf", "", "ch"), (3, "ang", "k", "ch"), (3, "ast", "fp", ""),
          (3, "ebe,ebt,eid,uft", "k", ""), (3, "ede,ieg", "f", ""), (3, "eib,ieb", "b", ""),
          (3, "eis", "g", ""), (3, "age", "kp", "ch"), (3, "eic", "bg", "ch"), (3, "eit", "bg", ""),
          (3, "ass", "bk", ""), (3, "ock", "bfg", ""), (3, "ich", "", "ch,eg,rg,pf")],
    "n": [(3, "utz", "", "")],
    "p": [(2, "ol,os", "", ""), (3, "aar,ers,räg,räp,lan,rüf,unk,ote", "", ""),
          (4, "endl,rämi,reis,rinz,räfe", "", ""), (2, "ro", "", "es"), (3, "art", "", "es,ns,rs"),
          (3, "ort", "ORT", "")],
    "r": [(2, "ig,eg", "", ""), (3, "aba,aum,eih,eim,ein,eiß,ela,est,ohr,äub", "", ""),
          (4, "ausc,echn,echt,oute", "", ""), (2, "uf", "g", ""), (3, "uck,ück", "db", ""),
          (3, "ang", "p", ""), (3, "und", "g", ""), (3, "äng", "d", ""), (3, "üst", "b", ""),
          (3, "aub", "t", "ch"), (3, "eif", "g", "st"), (3, "eic", "", "st"), (3, "oll", "gt", ""),
          (3, "ing", "bd", "sp"), (3, "and", "b", "st"), (3, "ich", "bt", "sp"), (3, "ost", "tf", ""),
          (3, "eit", "bf", "st"), (2, "ad", "g", ""), (2, "at", "bkd", ""), (2, "ed", "kp", ""),
          (2, "ot", "b", "ch"), (2, "ät", "bk", "")],
    "t": [(2, "ag,äg,um,üm,ür,yp,al", "", ""),
          (3, "ast,aug,aus,ext,urn,erm,est,eil,ret,rag,ras,räg,ech,unn,äle", "", ""),
          (4, "raus,reib,rieb,ausc", "", ""), (3, "ren", "s", "")],
    "w": [(3, "ald,erd,irt,erk,ese,ohn,ürd", "", ""), (2, "eg", "", ""), (3, "ert", "", "ch")],
}

STOP3 = L("akk,irr,opt,oxi,oxy")
STOP4 = L("adop,agog,appa,arbe,auto,algo,äthe,argu,inve,infr,obac,obje,orch,über,übli,unte")
ER68 = L("eig,fah,fas,fin,fol,for,fra,fri,fül,geh,gän,geb,gre,gri,hal,här,heb,hei,hit,höh,hol,inn,"
         "kal,ken,klä,kra,kun,las,lau,läu,led,lei,leu,lös,mäc,mah,mäß,mit,mög,müd,näh,nen,neu,nie,"
         "obe,öff,ört,pre,pro,rec,reg,rei,ric,sat,sch,set,spa,tei,tra,trä,übr,wac,war,wei,wer,wid,"
         "zäh,zie")
assert len(ER68) == 68
S6 = L("adr,alk,alt,ärm,edi,erb,eig,aug,ism,iso,ist,ord,org,ent,öst,emp,off,öff,öko")
S7 = L("amer,assi,ände,äuße,idea,iden,inha,eben,inne,inte,inst,ober,indi,indu,inse,attr,emis,"
       "immi,emmi,irdi,essi,essa,elek,elem,elte,endi,ends,endu,endl,ener,elas,orie,übel,übun,euro")
S8 = L("auf,akt,alm,amt,arm,art,aus,opf,ahn,ähn,eng,ehr,all,ast,äst,eck,egg,ein,erd,ost,ort,ört,übt")
S9 = L("achs,acht,alar,arzt,effe,ehre,eise,esse,erst,etat,idee,inde,ohne,üben,amin,ufer")
PAIRS65 = L("ln,rt,kt,ng,ck,ld,nt,ft,bt,tz,rz,nz,rn,tt,mm,ff,ll,nn,gt,nd,rf,ht,rd,hr,ld,hn,rm,lm,pp,rb,"
            "dt,mt,hm,ßt,lt,pt,rk,lb,hl,rg,nk,lz,lg,lf,rl,lk,xt,nf,ch,ph,th,st,pf,ei,eu,ie,au,äu,ai,zt,"
            "ea,rr,ou,mp,gs")
assert len(PAIRS65) == 65


class Decide:
    def __init__(self, word, p, n, exc):
        self.word = word
        self.p = p
        self.n = n
        self.exc = exc  # three lists
        self.res = False
        self.allow = True
        self.stopv = False
        self.second = False
        self.single = False
        self.pair = False
        self.answer = False
        self.pending = True
        self.base = p
        self.remembered = None
        self.moved = None

    def raw(self, i):
        return self.word[i - 1] if 1 <= i <= len(self.word) else " "

    def lm(self, i):
        return lmap(self.raw(i))

    def W(self, k):
        return self.lm(self.base - 1 + k)

    def Ws(self, k, n):
        return "".join(self.W(k + i) for i in range(n))

    def Ls(self, i, n):
        return "".join(self.lm(i + j) for j in range(n))

    # clusters
    def cluster(self, c, both=False):
        n = len(c)
        if self.allow:
            if self.Ws(2, n) == c and self.W(n + 2) in VOWELS:
                self.res = True
        elif n == 4:
            if self.Ws(-1, 4) == c and self.W(3) in VOWELS:
                self.res = False
        else:
            if self.Ws(1, n) == c and self.W(n + 1) in VOWELS:
                self.res = False
            if both and n == 3 and self.Ws(0, 3) == c and self.W(3) in VOWELS:
                self.res = False

    def chr_(self):
        if self.allow:
            if self.Ws(2, 3) == "chr" and self.W(1) != "s":
                self.res = True
        elif self.Ws(0, 3) == "chr":
            self.res = False

    def pairs(self):
        for c in PAIRS:
            self.cluster(c)

    def triples(self):
        for c in TRIPLES:
            self.cluster(c)

    def schs(self):
        for c in FOURS:
            self.cluster(c)

    def combined(self):
        self.cluster("sch")
        self.triples()
        self.chr_()

    def exc_match(self, idx, text4):
        for e in self.exc[idx]:
            if len(e) == 4 and e == text4[:4]:
                return True
            if len(e) == 3 and e == text4[:3]:
                return True
        return False

    def frag(self, k):
        C = self.W(k + 2)
        if C not in "hlnprtw":
            return
        verdict = (k == 0)
        X = self.W(k + 1)
        P2 = self.Ws(k, 2)
        S = {2: self.Ws(k + 3, 2), 3: self.Ws(k + 3, 3), 4: self.Ws(k + 3, 4)}
        for (ln, vals, xnot, p2not) in FRAG[C]:
            if S[ln] not in L(vals) and not (vals == "in " and S[ln] == "in "):
                continue
            if xnot == "ORT":
                if not (X != "s" or P2 == "ns"):
                    continue
            else:
                if X in xnot and xnot:
                    continue
                if P2 in L(p2not):
                    continue
            self.res = verdict
        if self.exc_match(1, C + S[3]):
            self.res = verdict

    def vowel_pair(self):
        if (self.W(3) in VOWELS and is_letter(self.W(4)) and self.Ws(2, 2) in DIPH
                and self.Ws(1, 2) not in DIPH and self.Ws(1, 3) != "eau"):
            self.res = True
        if self.W(0) in VOWELS and is_letter(self.W(3)) and self.Ws(0, 2) in DIPH:
            self.res = True

    def stage_allow(self):
        self.allow = True
        self.single = self.pair = False
        if self.W(2) in CONSONANTS and self.W(3) in VOWELS:
            self.res = True
            self.single = True
        if not self.res:
            self.pairs()
            if self.res:
                self.frag(1)
                if self.res:
                    self.pair = True
        if not self.res:
            self.triples()
            self.chr_()
            if self.res:
                self.frag(1)
                self.frag(2)
        if not self.res:
            self.schs()
            if self.res:
                self.frag(3)
            if self.W(1) in VOWELS and self.W(2) in VOWELS:
                self.vowel_pair()

    def stage_forbid(self):
        self.allow = False
        self.pairs()
        if not self.res:
            self.single = False
        if self.res:
            self.combined()
            self.schs()
        self.stopv = False
        if not self.res:
            self.frag(0)
        else:
            self.word_start(-1)
            if self.single and self.res:
                self.word_start(1)
            if self.pair:
                self.word_start(2)

    def letters3(self, k):
        return all(is_letter(self.W(k + i)) for i in range(3))

    def capital_before(self):
        i = self.p
        while True:
            r = self.raw(i)
            if r in CAPITALS:
                return True
            if not is_letter(lmap(r)):
                return False
            i -= 1

    def word_start(self, off):
        if self.W(off + 2) not in VOWELS or not self.pending:
            return
        K4 = self.Ws(off + 2, 4)
        K3, K2 = K4[:3], K4[:2]
        self.second = True
        if K3 in STOP3 or K4 in STOP4:
            self.res = self.stopv
            return
        if K2 == "er" and self.letters3(off + 4):
            if self.W(off) in ("ü", "o") and self.W(off + 1) == "b":
                self.res = not self.stopv
                return
            if self.W(off + 1) != "v" and self.Ws(off + 4, 3) in ER68:
                if self.W(off + 1) == "s" and self.W(off) != "s":
                    self.res = self.stopv
                else:
                    self.confirm(off)
                return
        if K2 in ("ab", "um", "öl") and self.Ws(off, 2) + K2 not in ("raum", "baum"):
            return self.confirm(off)
        if self.letters3(off + 4) and K2 in ("ev", "ex", "ur"):
            return self.confirm(off)
        if is_letter(self.W(off + 5)) and is_letter(self.W(off + 6)) and K3 in S6:
            return self.confirm(off)
        if is_letter(self.W(off + 6)) and K4 in S7:
            return self.confirm(off)
        if K3 in S8:
            return self.confirm(off)
        if K4 in S9:
            return self.confirm(off)
        if K4 == "ende" and self.capital_before():
            self.second = False
            return self.confirm(off)
        if K2 == "an" and (self.letters3(off + 4) or self.W(off + 4) == " "):
            return self.confirm(off)
        if K2 == "un" and self.W(off + 4) != "g" and self.letters3(off + 4):
            return self.confirm(off)
        if self.exc_match(0, K4):
            self.confirm(off)

    def vowel_before(self):
        i = self.p
        while is_letter(self.lm(i)) and self.lm(i) not in VOWELS:
            i -= 1
        if not is_letter(self.lm(i)):
            return False
        return is_letter(self.lm(i - 1)) and self.lm(i - 1) != "q"

    def confirm(self, off):
        self.res = False
        if not self.vowel_before():
            return
        if off == 0:
            e = 1
            for shift in (-4, -3, -2, -1):
                self.base = self.p + shift
                self.allow = True
                self.res = False
                if shift == -4:
                    self.schs()
                    if self.res:
                        self.frag(3)
                elif shift == -3:
                    self.combined()
                    if self.res:
                        self.frag(1)
                        self.frag(2)
                elif shift == -2:
                    self.pairs()
                    if self.res:
                        self.frag(1)
                else:
                    if self.W(2) in CONSONANTS:
                        self.res = True
                if self.res:
                    e = shift
                    break
            self.base = self.p
            self.res = False
        else:
            e = off
        u0 = self.prefix(0)
        if u0:
            u1 = self.prefix(e)
            if u1:
                self.res = False
                self.remembered = self.p + e
                return
        if e < 0 and is_letter(self.lm(self.p + e - 1)):
            self.res = self.answer
            self.pending = False
            if not self.answer:
                self.moved = self.p + e  # the search goes on from the shifted position
            return
        self.res = self.answer
        if self.res:
            self.pending = False

    def prefix(self, e):
        self.res = False
        b = self.p + e
        a1, a2 = self.lm(b - 1), self.lm(b)
        two = a1 + a2
        und = ((a1 in CONSONANTS and a2 in VOWELS) or (a1 in VOWELS and a2 in CONSONANTS)
               or a2 == "s" or two in PAIRS65)
        if not is_letter(a1):
            und = True
        if und and self.second:
            if two in ("er", "be", "ge", "zu", "an", "un") and two + self.Ls(b + 1, 3) not in (
                    "erist", "geist", "genab", "under"):
                self.res = True
                und = False
            if not und:
                if self.Ls(b - 2, 4) in ("band", "über", "rang", "rand", "fund", "ders", "eben", "tand"):
                    und = True
                    self.res = False
            elif self.Ls(b - 2, 3) in ("auf", "aus", "vor", "hin", "dar", "von"):
                self.res = True
                und = False
        self.answer = self.res if e == 0 else (not self.res)
        return und

    def run(self):
        self.stage_allow()
        if not self.res:
            self.stopv = True
            self.word_start(0)
        elif self.pending:
            self.stage_forbid()
        if not self.res and self.pending:
            self.stopv = False
            self.cluster("sch")
            if self.res:
                self.word_start(3)
                if self.res:
                    self.word_start(-1)
        if self.res and self.exc_match(2, self.Ws(1, 4)):
            self.res = False
        return self.res


def eligible(word, p, n):
    for i in range(p - n, p + n + 1):
        c = word[i - 1] if 1 <= i <= len(word) else " "
        if not is_letter(lmap(c)):
            return False
    for i in range(p, p + 3):
        c = word[i - 1] if 1 <= i <= len(word) else " "
        if c in CAPITALS:
            return False
    return True


def hyphenate(word, n, exc):
    out = ""
    for p in range(1, len(word) + 1):
        out += word[p - 1]
        if p == len(word):
            break
        if not eligible(word, p, n):
            continue
        d = Decide(word, p, n, exc)
        if d.run():
            w1, w2 = lmap(word[p - 1]), lmap(word[p])
            out += "=" if (w1 == "c" and w2 == "k") else "-"
    return out


def load_exceptions(path):
    exc = [[], [], []]
    data = open(path, "rb").read().decode("cp850")
    for line in data.split("\n"):
        if line.endswith("\r"):
            line = line[:-1]
        entry = "".join(lmap(c) for c in line)[:4]
        if entry and entry[0] in VOWELS:
            exc[0].append(entry)
        elif entry and entry[0] in "hlprtw":
            exc[1].append(entry)
        else:
            exc[2].append(entry)
    if data.endswith("\n"):
        exc[2].pop()  # the split leaves an empty piece after the last line end
    return exc


if __name__ == "__main__":
    import os
    here = os.path.dirname(os.path.abspath(__file__))
    exc = load_exceptions(os.path.join(here, "..", "..", "..", "data", "SILBAUSN.WS"))
    for line in open(sys.argv[1], encoding="utf-8"):
        w = line.strip()
        if not w:
            continue
        for n in (1, 2):
            print("%s %d %s" % (w, n, hyphenate(w, n, exc)))
