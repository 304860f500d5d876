// Which kind of record table a local counting database holds, from its catalogue.
#pragma once

namespace zl {

class RecNetLocal;

// Table kinds: what the camera discovery and the day marks choose their table by.
enum TableKind {
    kTableNone = 0,           // no record table seen
    kTableRecordsPeople = 2,  // a "records" table, people-counter mode
    kTableRecordsOther = 3,   // a "records" table, other counter types
    kTable3D = 4,             // a "_3D..." table (3D people counter)
};

// The kind one table name stands for: "_3D" anywhere in the name -> 4; else "records"
// anywhere -> 2 (peopleMode) or 3; both compared without regard to case. 0 for a table that
// is neither (such as "sqlite_sequence"), which does not count.
int TableKindOfName(const char* tableName, bool peopleMode);

// Runs "select name from sqlite_master where type = 'table';" on the open database; the last
// table (in catalogue order) that is a record table decides. 0 when there is no database, the
// query fails or no table is a record table (an empty database holds no record table, whatever
// an earlier detection found).
int DetectTableKind(RecNetLocal* db, bool peopleMode);

}  // namespace zl
