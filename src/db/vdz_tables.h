#pragma once

#include <string>
#include <vector>

namespace dodu {

// The store tables the record reader knows, in the order of the table map.
enum tQV_VdzTable : int {
  nt_anmag, nt_anart, nt_anarc, nt_dotes, nt_doana, nt_dorig, nt_doriv, nt_tbtdo, nt_anclf, nt_anspe,
  nt_octes, nt_ocrig, nt_ocriv, nt_vwocrig, nt_aplck, nt_anper, nt_invet, nt_inven, nt_anean, nt_anean2,
  nt_ancsh, nt_ancsh2, nt_tabel, nt_anfdt, nt_pgupr, nt_omtes, nt_omrig, nt_omvar, nt_omprz, nt_omqto,
  nt_tbcoa, nt_ancaf, nt_ancaf3, nt_aetes, nt_iiadr, nt_iiadr4, nt_iiadr5, nt_iiadr6, nt_imneg, nt_cmrig,
  nt_nvvia, nt_gfana, nt_ansoc, nt_aptes, nt_aneve, nt_mocsh, nt_ankit, nt_feclf, nt_fdgrp
};

// One entry of the table map: where a table lives, what describes a row, its key columns.
struct tQV_VdzDecodeMap {
  tQV_VdzTable table;
  std::string tablename;
  std::string decodeexpression;  // empty when the table has none
  std::vector<std::string> keyFields;
  std::vector<std::string> fieldnames;  // empty in every built-in entry
};

// The built-in map, one entry per table value.
const std::vector<tQV_VdzDecodeMap>& VdzDecodeMaps();
// The entry of a table value, or nullptr when the map has none.
const tQV_VdzDecodeMap* FindVdzDecodeMap(tQV_VdzTable aTable);

}  // namespace dodu
