# Sourced: make_pos_store DIR SCHEMA makes DIR a working directory examples/pos.c runs its day in:
# a store made from SCHEMA (the installed one) holding the company, branch and this year's series
# the example till uses, its qvSAFTPT.ini, and the host and data directories.
make_pos_store() {
  local dir=$1 schema=$2 year
  year=$(date +%Y)
  mkdir -p "$dir/host" "$dir/data"
  sqlite3 "$dir/store.db" < "$schema"
  sqlite3 "$dir/store.db" <<SQL
insert into CompanyRecord values ('PT500100200','Corvane Retail, Lda','Rua Augusta 100','Lisboa','1100-053');
insert into BranchRecord values ('S01','Loja Baixa','Rua do Ouro 20','Lisboa','1100-060',
  'FR','{{DocumentType}}{{YYYY}}{{Store}}','NC','{{DocumentType}}{{YYYY}}{{Store}}');
insert into Series values ('id-FR${year}S01','FR${year}S01',0,'',null,'AAJFJ2K6',0);
insert into Series values ('id-NC${year}S01','NC${year}S01',0,'',null,'BBKGK3L7',0);
SQL
  printf '[Database]\nEngine=SQLite\nDBName=store.db\n' > "$dir/qvSAFTPT.ini"
}

# run_pos_day PROGRAM DIR [EMULATOR]: the example till's whole day in DIR; fails unless every call
# answered 0 and the day ended with Z report 1.
run_pos_day() {
  local program=$1 dir=$2 emulator=${3:-}
  (cd "$dir" && QV_HOST_DIR="$dir/host" QV_FPR_DB="$dir/data" $emulator "$program") > "$dir/pos.txt" 2>&1 ||
    { cat "$dir/pos.txt"; echo "$program: the day failed"; return 1; }
  grep -q "^Z report: number 1," "$dir/pos.txt" || { cat "$dir/pos.txt"; echo "$program: no Z report 1"; return 1; }
}
