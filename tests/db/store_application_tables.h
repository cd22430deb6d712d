#pragma once

#include <string>

#include "db/vendizio_proxy.h"

namespace dodu::testing {

// The store application's tables that its operations read and write, in the embedded store's
// form: text keys compare without letter case, as under SQL Server's default collation, and a
// configuration variable keeps its value in ecval.
inline void CreateStoreApplicationTables(tQV_VendizioProxy& proxy) {
  const char* statements[] = {
      "create table elcfg01f (ecvar varchar(30) collate nocase, ectip char(1), eclen integer, ecnde integer, "
      "ecval varchar(250), annullato char(1))",
      "create table elcfg00f (ecvar varchar(30) collate nocase, ectip char(1), eclen integer, ecnde integer, "
      "ecval varchar(250), annullato char(1))",
      "create table tabel00f (tbtab varchar(4) collate nocase, tbkey varchar(30), tbdes varchar(250), Pkey integer "
      "primary key, annullato char(1))",
      "create table pgupr01f (p4arc varchar(10) collate nocase, p4frm varchar(10) collate nocase, p4seq integer, "
      "p4des varchar(50), P4Tip char(1), P4FiR varchar(30), P4Fie varchar(30), P4Pos integer, P4Len integer, "
      "P4Dec integer, annullato char(1))",
      "create table anclf00f (antip char(1), anana varchar(10), anrag varchar(60), annullato char(1), "
      "primary key (antip, anana))",
      "create table numer00f (NMPRG integer)",
      "create table tbcoa00f (caarc varchar(10), cakey varchar(20), caprg integer, CATXT varchar(250), "
      "CANET varchar(10), CAFLO char(1), CAFLD char(1), CAFLF char(1), CAFLP char(1), CAFLE char(1), CAFPT char(1), "
      "annullato char(1))",
      "create table anmag00f (agmag varchar(10), agdes varchar(60), agsoc varchar(10), AGSER varchar(10), "
      "AGMN1 varchar(10), AGMN2 varchar(10), annullato char(1))",
      "create table tbtdo00f (tddoc varchar(10), tddes varchar(60), TdSer varchar(10), annullato char(1))",
      "create table ansoc00f (assoc varchar(10), asdes varchar(60), asdlm date, annullato char(1))",
      "create table gfmon00f (gnnod varchar(10), gnper varchar(4), gnnum integer, gncod varchar(20), "
      "gncau varchar(10), gndes varchar(60), gnimp decimal(19,4), gnimv decimal(19,4), gnval varchar(3), "
      "gnneg varchar(10), gndts integer, gnors integer, gncas varchar(10), gnnsc integer, gnrsc integer, "
      "gnnau integer, gndta integer, gnope varchar(10), gntip varchar(2), annullato char(1))",
  };
  for (const char* statement : statements) proxy.ExecuteSQLCommand(statement);
}

// A configuration variable of the general table: its definition and its value.
inline void AddConfiVar(tQV_VendizioProxy& proxy, const std::string& table, const std::string& name,
                        const std::string& type, int length, int decimals, const std::string& value) {
  proxy.ExecuteSQLCommand("insert into " + table + " (ecvar, ectip, eclen, ecnde, ecval) values (:n, :t, :l, :d, :v)",
                          {tQV_SQLParam::Create("n", name), tQV_SQLParam::Create("t", type),
                           tQV_SQLParam::Create("l", length), tQV_SQLParam::Create("d", decimals),
                           tQV_SQLParam::Create("v", value)});
}

}  // namespace dodu::testing
