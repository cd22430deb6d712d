#include "db/vdz_tables.h"

namespace dodu {

const std::vector<tQV_VdzDecodeMap>& VdzDecodeMaps() {
  static const std::vector<tQV_VdzDecodeMap> kMaps = {
      {nt_anmag, "anmag00f", "agdes", {"agmag"}, {}},
      {nt_anart, "anart00f", "aades", {"aaart"}, {}},
      {nt_anarc, "anarc00f", "acdes", {"acart", "accol"}, {}},
      {nt_dotes, "dotes00f", "", {"dtneg", "dttdo", "dtpdo", "dtndo"}, {}},
      {nt_doana, "doana00f", "", {"daneg", "datdo", "dapdo", "dando"}, {}},
      {nt_dorig, "dorig00f", "", {"drneg", "drtdo", "drpdo", "drndo", "drtri", "drnri", "drtsr", "drnsr"}, {}},
      {nt_doriv, "doriv00f", "",
       {"dvneg", "dvtdo", "dvpdo", "dvndo", "dvtri", "dvnri", "dvtsr", "dvnsr", "dvvar", "dvprv"}, {}},
      {nt_tbtdo, "tbtdo00f", "tddes", {"tddoc"}, {}},
      {nt_anclf, "anclf00f", "anrag", {"antip", "anana"}, {}},
      {nt_anspe, "anspe00f", "adrag", {"adtip", "adana", "adspe"}, {}},
      {nt_octes, "octes00f", "", {"ottor", "otpor", "otnor"}, {}},
      {nt_ocrig, "ocrig00f", "", {"ortor", "orpor", "ornor", "ortri", "ornri", "ortsr", "ornsr"}, {}},
      {nt_ocriv, "ocriv00f", "",
       {"ovtor", "ovpor", "ovnor", "ovtri", "ovnri", "ovtsr", "ovnsr", "ovvar", "ovprv"}, {}},
      {nt_vwocrig, "vw_ocrig_ext", "",
       {"ortor", "orpor", "ornor", "ortri", "ornri", "ortsr", "ornsr", "ovvar", "ovtag"}, {}},
      {nt_aplck, "aplck00f", "", {"type", "name", "identifier"}, {}},
      {nt_anper, "anper00f", "", {"aqarc", "aqkey", "aqspp", "aqseq"}, {}},
      {nt_invet, "invet00f", "", {"iemag", "iedop"}, {}},
      {nt_inven, "inven00f", "", {"inmag", "indop", "inprg"}, {}},
      {nt_anean, "anean00f", "", {"aeart", "aecol", "aetag", "aeprg"}, {}},
      {nt_anean2, "anean00f", "", {"aeean"}, {}},
      {nt_ancsh, "ancsh00f", "", {"ahneg", "ahean"}, {}},
      {nt_ancsh2, "ancsh00f", "", {"ahneg", "ahart"}, {}},
      {nt_tabel, "tabel00f", "tbdes", {"tbtab", "tbkey"}, {}},
      {nt_anfdt, "anfdt00f", "abcog", {"abcod"}, {}},
      {nt_pgupr, "pgupr01f", "p4des", {"p4arc", "p4frm", "p4seq"}, {}},
      {nt_omtes, "omtes00f", "", {"omnod", "omper", "omnum"}, {}},
      {nt_omrig, "omrig00f", "", {"onnod", "onper", "onnum", "onrig"}, {}},
      {nt_omvar, "omvar00f", "", {"ovnod", "ovper", "ovnum", "ovrig", "ovtip", "ovseq"}, {}},
      {nt_omprz, "omprz00f", "", {"opnod", "opper", "opnum", "oprig", "opsqc", "opsqt", "optip"}, {}},
      {nt_omqto, "omqto00f", "", {"oqnod", "oqper", "oqnum", "oqrig", "oqsqc", "oqsqt", "oqmag"}, {}},
      {nt_tbcoa, "tbcoa00f", "", {"caarc", "cakey", "caprg"}, {}},
      {nt_ancaf, "ancaf00f", "", {"afart", "afcol", "aftag", "afprg"}, {}},
      {nt_ancaf3, "ancaf00f", "", {"affor", "afcfo"}, {}},
      {nt_aetes, "aetes00f", "awdes", {"awtip", "awcod"}, {}},
      {nt_iiadr, "iiadr00f", "", {"irnart", "irncol", "irntag"}, {}},
      {nt_iiadr4, "iiadr00f", "", {"irefor", "ireart", "irecol", "iretag"}, {}},
      {nt_iiadr5, "iiadr00f", "", {"irnfor", "ireart", "irncol", "irntag"}, {}},
      {nt_iiadr6, "iiadr00f", "", {"irnfor", "ireart", "iretag"}, {}},
      {nt_imneg, "imneg00f", "", {"imtid", "imvc1", "imvc2", "imvc3", "imtif"}, {}},
      {nt_cmrig, "cmrig00f", "", {"crcod", "crprg"}, {}},
      {nt_nvvia, "nvvia00f", "", {"viidv"}, {}},
      {nt_gfana, "gfana00f", "", {"gfcod"}, {}},
      {nt_ansoc, "ansoc00f", "asdes", {"assoc"}, {}},
      {nt_aptes, "aptes00f", "apdes", {"apcod"}, {}},
      {nt_aneve, "aneve00f", "evdes", {"evcod"}, {}},
      {nt_mocsh, "mocsh00f", "", {"mhneg", "mhdat", "mhora", "mhcas", "mhnsc", "mhrsc"}, {}},
      {nt_ankit, "ankit00f", "", {"akarp", "akind", "akseq"}, {}},
      {nt_feclf, "feclf00f", "fedes", {"fetip", "feana"}, {}},
      {nt_fdgrp, "fdgrp00f", "fgdes", {"fgcod"}, {}},
  };
  return kMaps;
}

const tQV_VdzDecodeMap* FindVdzDecodeMap(tQV_VdzTable aTable) {
  for (const tQV_VdzDecodeMap& entry : VdzDecodeMaps())
    if (entry.table == aTable) return &entry;
  return nullptr;
}

}  // namespace dodu
