#include "formatter/hyphenation/german_syllables.h"

#include <string>
#include <string_view>
#include <vector>

#include "formatter/hyphenation/hyphenation.h"

namespace tavrel {

namespace {

// The tables are written in UTF-8 for the reader and held in code page 850, as the word is.
std::string Cp850(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC3 && i + 1 < utf8.size()) {
      const auto d = static_cast<unsigned char>(utf8[++i]);
      switch (d) {
        case 0xA4:
          out += '\x84';
          break;  // ä
        case 0xB6:
          out += '\x94';
          break;  // ö
        case 0xBC:
          out += '\x81';
          break;  // ü
        case 0x9F:
          out += '\xE1';
          break;  // ß
        default:
          out += '?';
          break;
      }
      continue;
    }
    out += static_cast<char>(c);
  }
  return out;
}

std::vector<std::string> List(std::string_view comma_separated) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= comma_separated.size()) {
    std::size_t end = comma_separated.find(',', start);
    if (end == std::string_view::npos) end = comma_separated.size();
    if (end > start) out.push_back(Cp850(comma_separated.substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

// One row of the word-part fragment table: the text after the consonant C (two, three or four
// letters) is one of `values`, the letter before C is none of `x_not`, and the two letters
// before the break are none of `p2_not`.
struct FragmentRow {
  char c;
  int length;
  std::vector<std::string> values;
  std::string x_not;
  std::vector<std::string> p2_not;
  bool ort_rule = false;  // "ort": X is not "s", or P2 is "ns"
};

struct GermanTables {
  std::vector<std::string> pairs =
      List("ch,sp,kr,kl,ph,pr,fr,fl,th,br,dr,gl,kn,gr,pl,zw,st,tr,bl,cl,cr");
  std::vector<std::string> triples = List("str,spr,pfr,pfl");
  std::vector<std::string> fours = List("schl,schm,schn,schr,schw");
  std::vector<std::string> diphthongs = List("ei,ey,ai,ay,au,äu,eu");
  std::string sch = "sch", chr = "chr";

  std::vector<FragmentRow> fragments;

  // word starts
  std::vector<std::string> stop3 = List("akk,irr,opt,oxi,oxy");
  std::vector<std::string> stop4 =
      List("adop,agog,appa,arbe,auto,algo,äthe,argu,inve,infr,obac,obje,orch,über,übli,unte");
  std::vector<std::string> er_follow = List(
      "eig,fah,fas,fin,fol,for,fra,fri,fül,geh,gän,geb,gre,gri,hal,här,heb,hei,hit,höh,hol,inn,"
      "kal,ken,klä,kra,kun,las,lau,läu,led,lei,leu,lös,mäc,mah,mäß,mit,mög,müd,näh,nen,neu,nie,"
      "obe,öff,ört,pre,pro,rec,reg,rei,ric,sat,sch,set,spa,tei,tra,trä,übr,wac,war,wei,wer,wid,"
      "zäh,zie");
  std::vector<std::string> ab_um = List("ab,um,öl");
  std::vector<std::string> raum_baum = List("raum,baum");
  std::vector<std::string> ev_ex = List("ev,ex,ur");
  std::vector<std::string> starts3_long =
      List("adr,alk,alt,ärm,edi,erb,eig,aug,ism,iso,ist,ord,org,ent,öst,emp,off,öff,öko");
  std::vector<std::string> starts4_long = List(
      "amer,assi,ände,äuße,idea,iden,inha,eben,inne,inte,inst,ober,indi,indu,inse,attr,emis,"
      "immi,emmi,irdi,essi,essa,elek,elem,elte,endi,ends,endu,endl,ener,elas,orie,übel,übun,"
      "euro");
  std::vector<std::string> starts3 = List(
      "auf,akt,alm,amt,arm,art,aus,opf,ahn,ähn,eng,ehr,all,ast,äst,eck,egg,ein,erd,ost,ort,ört,"
      "übt");
  std::vector<std::string> starts4 =
      List("achs,acht,alar,arzt,effe,ehre,eise,esse,erst,etat,idee,inde,ohne,üben,amin,ufer");

  // prefix syllables
  std::vector<std::string> undecided_pairs = List(
      "ln,rt,kt,ng,ck,ld,nt,ft,bt,tz,rz,nz,rn,tt,mm,ff,ll,nn,gt,nd,rf,ht,rd,hr,ld,hn,rm,lm,pp,rb,"
      "dt,mt,hm,ßt,lt,pt,rk,lb,hl,rg,nk,lz,lg,lf,rl,lk,xt,nf,ch,ph,th,st,pf,ei,eu,ie,au,äu,ai,zt,"
      "ea,rr,ou,mp,gs");
  std::vector<std::string> prefixes2 = List("er,be,ge,zu,an,un");
  std::vector<std::string> prefix_exceptions5 = List("erist,geist,genab,under");
  std::vector<std::string> prefix_revoke4 = List("band,über,rang,rand,fund,ders,eben,tand");
  std::vector<std::string> prefixes3 = List("auf,aus,vor,hin,dar,von");

  // ancient Greek
  std::vector<std::string> greek_pairs = List("ps,pt,rh,sc,sz,sm,sq,gn,dm,kt,mn,pn,sb,sk");

  GermanTables() {
    auto row = [&](char c, int length, std::string_view values, std::string_view x_not = "",
                   std::string_view p2_not = "") {
      fragments.push_back(FragmentRow{c, length, List(values), std::string(x_not), List(p2_not)});
    };
    row('h', 3, "and,ang,älf,äng,aup,elf,eft,ilf,och,öch,öhe,üll,in ");
    row('h', 3, "aft,eit,ung,art,aus,ält,iel", "c");
    row('h', 3, "alt", "cp");
    row('h', 3, "alb", "", "ch");

    row('l', 2, "en,er,es");
    row('l', 3, "and,auc,äuf,aug,eer,ehr,euc,eut,isc,ege,egt");
    row('l', 4, "iefe");
    row('l', 2, "os", "fk", "ch");
    row('l', 2, "ös", "", "ch");
    row('l', 3, "ung", "", "rk");
    row('l', 3, "auf", "", "ch");
    row('l', 3, "ang", "k", "ch");
    row('l', 3, "ast", "fp");
    row('l', 3, "ebe,ebt,eid,uft", "k");
    row('l', 3, "ede,ieg", "f");
    row('l', 3, "eib,ieb", "b");
    row('l', 3, "eis", "g");
    row('l', 3, "age", "kp", "ch");
    row('l', 3, "eic", "bg", "ch");
    row('l', 3, "eit", "bg");
    row('l', 3, "ass", "bk");
    row('l', 3, "ock", "bfg");
    row('l', 3, "ich", "", "ch,eg,rg,pf");

    row('n', 3, "utz");

    row('p', 2, "ol,os");
    row('p', 3, "aar,ers,räg,räp,lan,rüf,unk,ote");
    row('p', 4, "endl,rämi,reis,rinz,räfe");
    row('p', 2, "ro", "", "es");
    row('p', 3, "art", "", "es,ns,rs");
    fragments.push_back(FragmentRow{'p', 3, List("ort"), "", {}, true});

    row('r', 2, "ig,eg");
    row('r', 3, "aba,aum,eih,eim,ein,eiß,ela,est,ohr,äub");
    row('r', 4, "ausc,echn,echt,oute");
    row('r', 2, "uf", "g");
    row('r', 3, "uck,ück", "db");
    row('r', 3, "ang", "p");
    row('r', 3, "und", "g");
    row('r', 3, "äng", "d");
    row('r', 3, "üst", "b");
    row('r', 3, "aub", "t", "ch");
    row('r', 3, "eif", "g", "st");
    row('r', 3, "eic", "", "st");
    row('r', 3, "oll", "gt");
    row('r', 3, "ing", "bd", "sp");
    row('r', 3, "and", "b", "st");
    row('r', 3, "ich", "bt", "sp");
    row('r', 3, "ost", "tf");
    row('r', 3, "eit", "bf", "st");
    row('r', 2, "ad", "g");
    row('r', 2, "at", "bkd");
    row('r', 2, "ed", "kp");
    row('r', 2, "ot", "b", "ch");
    row('r', 2, "ät", "bk");

    row('t', 2, "ag,äg,um,üm,ür,yp,al");
    row('t', 3, "ast,aug,aus,ext,urn,erm,est,eil,ret,rag,ras,räg,ech,unn,äle");
    row('t', 4, "raus,reib,rieb,ausc");
    row('t', 3, "ren", "s");

    row('w', 3, "ald,erd,irt,erk,ese,ohn,ürd");
    row('w', 2, "eg");
    row('w', 3, "ert", "", "ch");
  }
};

const GermanTables& Tables() {
  static const GermanTables tables;
  return tables;
}

bool Contains(const std::vector<std::string>& list, std::string_view s) {
  for (const std::string& e : list)
    if (e == s) return true;
  return false;
}

// One decision of the German rules at one position.
class GermanRules {
 public:
  GermanRules(HyphenationState& state, const std::uint8_t* held, int len, int p)
      : st_(state),
        held_(held),
        len_(len),
        p_(p),
        moved_p_(p),
        base_(p),
        map_(GetHyphenationTables()),
        t_(Tables()) {}

  bool Run(int& p);

 private:
  // Letter-mapped character at word position i (a blank outside the word).
  std::uint8_t L(int i) const { return map_.Letter[HeldChar(held_, len_, i)]; }
  // Window character k of the window at base_: W0 is position base_ - 1.
  std::uint8_t W(int k) const { return L(base_ - 1 + k); }
  std::string Ws(int k, int n) const {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(W(k + i));
    return s;
  }
  std::string Ls(int i, int n) const {
    std::string s;
    for (int j = 0; j < n; ++j) s += static_cast<char>(L(i + j));
    return s;
  }
  bool Eq(int k, std::string_view s) const {
    for (std::size_t i = 0; i < s.size(); ++i)
      if (W(k + static_cast<int>(i)) != static_cast<std::uint8_t>(s[i])) return false;
    return true;
  }
  bool Vowel(std::uint8_t c) const { return map_.Vowel[c]; }
  bool Consonant(std::uint8_t c) const { return map_.Consonant[c]; }
  static bool Letter(std::uint8_t c) { return IsHyphenLetter(c); }
  bool Letters(int k, int n) const {
    for (int i = 0; i < n; ++i)
      if (!Letter(W(k + i))) return false;
    return true;
  }

  void TestCluster(std::string_view c, bool both_inner = false);
  void TestChr();
  void CheckPairClusters();
  void CheckTripleClusters();
  void CheckSchClusters();
  void CombinedTriple();
  void CheckMorphemeFragments(int k);
  void StageAllow();
  void StageForbid();
  void CheckVowelPair();
  void CheckWordStart(int off);
  void ConfirmWordStart(int off);
  bool CheckPrefixSyllable(int e);
  void GreekRules();
  bool HasVowelBefore() const;
  bool CapitalBefore() const;
  bool FindLearned(LearnedHyphenationList& list, int at, int shift) const;
  void AddLearned(LearnedHyphenationList& list, int at, int shift) const;

  HyphenationState& st_;
  const std::uint8_t* held_;
  int len_;
  int p_;        // the position decided
  int moved_p_;  // where the word breaker goes on
  int base_;     // position of the current window
  const HyphenationTables& map_;
  const GermanTables& t_;

  bool result_ = false;
  bool allow_mode_ = true;
  bool stop_value_ = false;
  bool second_check_ = false;
  bool single_seen_ = false;
  bool pair_seen_ = false;
  bool answer_ = false;
};

void GermanRules::TestCluster(std::string_view c, bool both_inner) {
  const int n = static_cast<int>(c.size());
  if (allow_mode_) {
    if (Eq(2, c) && Vowel(W(n + 2))) result_ = true;
    return;
  }
  if (n == 4) {
    // Only the break after the third letter ("sch|l").
    if (Eq(-1, c) && Vowel(W(3))) result_ = false;
    return;
  }
  if (Eq(1, c) && Vowel(W(n + 1))) result_ = false;
  if (both_inner && n == 3 && Eq(0, c) && Vowel(W(3))) result_ = false;
}

void GermanRules::TestChr() {
  if (allow_mode_) {
    if (Eq(2, t_.chr) && W(1) != 's') result_ = true;
  } else if (Eq(0, t_.chr)) {
    result_ = false;
  }
}

void GermanRules::CheckPairClusters() {
  for (const std::string& c : t_.pairs) TestCluster(c);
}

void GermanRules::CheckTripleClusters() {
  for (const std::string& c : t_.triples) TestCluster(c);
}

void GermanRules::CheckSchClusters() {
  for (const std::string& c : t_.fours) TestCluster(c);
}

void GermanRules::CombinedTriple() {
  TestCluster(t_.sch);
  CheckTripleClusters();
  TestChr();
}

void GermanRules::CheckMorphemeFragments(int k) {
  const std::uint8_t c = W(k + 2);
  if (c != 'h' && c != 'l' && c != 'n' && c != 'p' && c != 'r' && c != 't' && c != 'w') return;
  const bool verdict = (k == 0);
  const std::uint8_t x = W(k + 1);
  const std::string p2 = Ws(k, 2);
  const std::string s4 = Ws(k + 3, 4);
  for (const FragmentRow& row : t_.fragments) {
    if (static_cast<std::uint8_t>(row.c) != c) continue;
    const std::string_view s = std::string_view(s4).substr(0, row.length);
    if (!Contains(row.values, s)) continue;
    if (row.ort_rule) {
      if (x == 's' && p2 != "ns") continue;
    } else {
      if (row.x_not.find(static_cast<char>(x)) != std::string::npos) continue;
      if (Contains(row.p2_not, p2)) continue;
    }
    result_ = verdict;
  }
  // The user's word-part starts (list 2), compared with C and the letters after it.
  if (st_.Exceptions.Matches(1, std::string(1, static_cast<char>(c)) + s4.substr(0, 3)))
    result_ = verdict;
}

void GermanRules::CheckVowelPair() {
  const std::string w12 = Ws(1, 2), w23 = Ws(2, 2), w01 = Ws(0, 2);
  if (Vowel(W(3)) && Letter(W(4)) && Contains(t_.diphthongs, w23) &&
      !Contains(t_.diphthongs, w12) && Ws(1, 3) != "eau")
    result_ = true;
  if (Vowel(W(0)) && Letter(W(3)) && Contains(t_.diphthongs, w01)) result_ = true;
}

void GermanRules::StageAllow() {
  allow_mode_ = true;
  single_seen_ = pair_seen_ = false;
  if (Consonant(W(2)) && Vowel(W(3))) {
    result_ = true;
    single_seen_ = true;
  }
  if (!result_) {
    CheckPairClusters();
    if (result_) {
      CheckMorphemeFragments(1);
      if (result_) pair_seen_ = true;
    }
  }
  if (!result_) {
    CheckTripleClusters();
    TestChr();
    if (result_) {
      CheckMorphemeFragments(1);
      CheckMorphemeFragments(2);
    }
  }
  if (!result_) {
    CheckSchClusters();
    if (result_) CheckMorphemeFragments(3);
    if (Vowel(W(1)) && Vowel(W(2))) CheckVowelPair();
  }
  if (st_.Params.AncientGreek && !result_) GreekRules();
}

void GermanRules::StageForbid() {
  allow_mode_ = false;
  CheckPairClusters();
  if (!result_) single_seen_ = false;
  if (result_) {
    CombinedTriple();
    CheckSchClusters();
  }
  stop_value_ = false;
  if (st_.Params.AncientGreek && result_) GreekRules();
  if (st_.Word.GreekDecided) return;
  if (!result_) {
    CheckMorphemeFragments(0);
  } else {
    CheckWordStart(-1);
    if (single_seen_ && result_) CheckWordStart(1);
    if (pair_seen_) CheckWordStart(2);
  }
}

bool GermanRules::CapitalBefore() const {
  for (int i = p_;; --i) {
    const std::uint8_t raw = HeldChar(held_, len_, i);
    if (map_.Capital[raw]) return true;
    if (!Letter(map_.Letter[raw])) return false;
  }
}

void GermanRules::CheckWordStart(int off) {
  if (!Vowel(W(off + 2)) || !st_.Word.FirstDecisionPending) return;
  const std::string k4 = Ws(off + 2, 4);
  const std::string_view k3 = std::string_view(k4).substr(0, 3);
  const std::string_view k2 = std::string_view(k4).substr(0, 2);
  second_check_ = true;

  if (Contains(t_.stop3, k3) || Contains(t_.stop4, k4)) {
    result_ = stop_value_;
    return;
  }
  if (k2 == "er" && Letters(off + 4, 3)) {
    if ((W(off) == 0x81 || W(off) == 'o') && W(off + 1) == 'b') {  // "über", "ober"
      result_ = !stop_value_;
      return;
    }
    if (W(off + 1) != 'v' && Contains(t_.er_follow, Ws(off + 4, 3))) {
      if (W(off + 1) == 's' && W(off) != 's')
        result_ = stop_value_;
      else
        ConfirmWordStart(off);
      return;
    }
  }
  if (Contains(t_.ab_um, k2) && !Contains(t_.raum_baum, Ws(off, 2) + std::string(k2))) {
    ConfirmWordStart(off);
    return;
  }
  if (Letters(off + 4, 3) && Contains(t_.ev_ex, k2)) {
    ConfirmWordStart(off);
    return;
  }
  if (Letters(off + 5, 2) && Contains(t_.starts3_long, k3)) {
    ConfirmWordStart(off);
    return;
  }
  if (Letter(W(off + 6)) && Contains(t_.starts4_long, k4)) {
    ConfirmWordStart(off);
    return;
  }
  if (Contains(t_.starts3, k3) || Contains(t_.starts4, k4)) {
    ConfirmWordStart(off);
    return;
  }
  if (k4 == "ende" && CapitalBefore()) {
    second_check_ = false;
    ConfirmWordStart(off);
    return;
  }
  if (k2 == "an" && (Letters(off + 4, 3) || W(off + 4) == ' ')) {
    ConfirmWordStart(off);
    return;
  }
  if (k2 == "un" && W(off + 4) != 'g' && Letters(off + 4, 3)) {
    ConfirmWordStart(off);
    return;
  }
  if (st_.Exceptions.Matches(0, k4)) ConfirmWordStart(off);
}

bool GermanRules::HasVowelBefore() const {
  int i = p_;
  while (Letter(L(i)) && !Vowel(L(i))) --i;
  if (!Letter(L(i))) return false;  // no vowel in the word up to p
  // Not the word's first letter standing alone, and no "qu".
  return Letter(L(i - 1)) && L(i - 1) != 'q';
}

void GermanRules::ConfirmWordStart(int off) {
  result_ = false;
  if (!HasVowelBefore()) return;

  int e = off;
  if (off == 0) {
    // Where does a consonant cluster in front of the word start begin?
    e = 1;
    for (int shift = -4; shift <= -1; ++shift) {
      base_ = p_ + shift;
      allow_mode_ = true;
      result_ = false;
      switch (shift) {
        case -4:
          CheckSchClusters();
          if (result_) CheckMorphemeFragments(3);
          break;
        case -3:
          CombinedTriple();
          if (result_) {
            CheckMorphemeFragments(1);
            CheckMorphemeFragments(2);
          }
          break;
        case -2:
          CheckPairClusters();
          if (result_) CheckMorphemeFragments(1);
          break;
        default:
          if (Consonant(W(2))) result_ = true;
          break;
      }
      if (result_) {
        e = shift;
        break;
      }
    }
    base_ = p_;
    result_ = false;
  }

  if (CheckPrefixSyllable(0) && CheckPrefixSyllable(e)) {
    // Doubtful: a prefix syllable before the break as well as before the shifted one.
    if (!st_.Params.AskIfDoubtful) {
      result_ = false;
      st_.Word.RememberedPosition = p_ + e;
      return;
    }
    answer_ = AskHyphenationProposal(st_, held_, len_, p_);
    AddLearned(st_.German, p_, answer_ ? e : 0);
  }
  if (e < 0 && Letter(L(p_ + e - 1))) {
    result_ = answer_;
    st_.Word.FirstDecisionPending = false;
    if (!answer_) moved_p_ = p_ + e;
    return;
  }
  result_ = answer_;
  if (result_) st_.Word.FirstDecisionPending = false;
}

bool GermanRules::CheckPrefixSyllable(int e) {
  result_ = false;
  const int b = p_ + e;  // the shifted break falls after position b
  const std::uint8_t a1 = L(b - 1), a2 = L(b);
  const std::string two = Ls(b - 1, 2);
  bool undecided = (Consonant(a1) && Vowel(a2)) || (Vowel(a1) && Consonant(a2)) || a2 == 's' ||
                   Contains(t_.undecided_pairs, two);
  if (!Letter(a1)) undecided = true;
  if (undecided && second_check_) {
    if (Contains(t_.prefixes2, two) && !Contains(t_.prefix_exceptions5, two + Ls(b + 1, 3))) {
      result_ = true;
      undecided = false;
    }
    if (!undecided) {
      if (Contains(t_.prefix_revoke4, Ls(b - 2, 4))) {
        undecided = true;
        result_ = false;
      }
    } else if (Contains(t_.prefixes3, Ls(b - 2, 3))) {
      result_ = true;
      undecided = false;
    }
  }
  if (undecided && st_.Params.Learn != 0 && FindLearned(st_.German, p_, e)) {
    result_ = true;
    undecided = false;
  }
  answer_ = (e == 0) ? result_ : !result_;
  return undecided;
}

void GermanRules::GreekRules() {
  const bool before = result_;
  for (const std::string& c : t_.greek_pairs) TestCluster(c);
  TestCluster("phl", true);
  TestCluster("phr", true);
  TestCluster("pht", true);
  TestCluster("scr");
  TestCluster("skr");
  TestCluster("thl", true);
  TestCluster("thn", true);
  TestCluster("sth");
  TestCluster("skl");
  TestCluster("sph");
  TestCluster("chl", true);
  TestCluster("chn", true);
  TestCluster("sphr");
  TestCluster("phth");
  if (result_ == before) return;

  if (st_.Params.Mode == kHyphenGerman && st_.Params.AskIfDoubtful) {
    if (!HasVowelBefore()) {
      result_ = false;
    } else if (!allow_mode_) {
      result_ = false;
      st_.Word.GreekPosition = p_;
      st_.Word.GreekDecided = true;
    } else if (!st_.Word.GreekDecided) {
      if (FindLearned(st_.Greek, p_, 0)) {
        result_ = true;
      } else {
        result_ = AskHyphenationProposal(st_, held_, len_, p_);
        if (result_) AddLearned(st_.Greek, p_, 0);
      }
    } else {
      const bool at_greek = FindLearned(st_.Greek, p_, st_.Word.GreekPosition - p_);
      const bool at_zero = FindLearned(st_.Greek, p_, 0);
      if (!at_greek && !at_zero) {
        if (!AskHyphenationProposal(st_, held_, len_, p_)) moved_p_ = st_.Word.GreekPosition;
        result_ = true;
        AddLearned(st_.Greek, moved_p_, 0);
      } else {
        result_ = at_zero;
      }
    }
  } else {
    result_ = false;
  }
  st_.Word.FirstDecisionPending = false;
}

bool GermanRules::FindLearned(LearnedHyphenationList& list, int at, int shift) const {
  if (st_.Params.Learn == 0 || !list.Loaded()) return false;
  return list.Contains(MakeLearnedContext(held_, len_, at, shift));
}

void GermanRules::AddLearned(LearnedHyphenationList& list, int at, int shift) const {
  if (st_.Params.Learn == 0 || !list.Loaded()) return;
  list.Add(MakeLearnedContext(held_, len_, at, shift));
}

bool GermanRules::Run(int& p) {
  StageAllow();
  if (!result_) {
    stop_value_ = true;
    CheckWordStart(0);
  } else if (st_.Word.FirstDecisionPending) {
    StageForbid();
  }
  if (!result_ && st_.Word.FirstDecisionPending) {
    stop_value_ = false;
    TestCluster(t_.sch);
    if (result_) {
      CheckWordStart(3);
      if (result_) CheckWordStart(-1);
    }
  }
  // The user's no-break places (list 3).
  if (result_ && st_.Exceptions.Matches(2, Ws(1, 4))) result_ = false;
  p = moved_p_;
  return result_;
}

}  // namespace

bool GermanHyphenationRules(HyphenationState& state, const std::uint8_t* held, int len, int& p) {
  GermanRules rules(state, held, len, p);
  return rules.Run(p);
}

}  // namespace tavrel
