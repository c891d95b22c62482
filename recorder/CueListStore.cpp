#include "recorder/CueListStore.h"

#include "dblib/QHDb.h"
#include "dblib/TextUtil.h"
#include "platform/dao/DaoDatabase.h"

namespace {

LONG SetNumber(CDaoDatabase& database, LONG songId, const CString& name, SHORT number) {
  CString sql;
  sql.Format("Update CueList Set CueNumber = %d Where SongID = %ld And CueDescription = '%s';", number,
             static_cast<long>(songId), SqlQuoteText(name).GetString());
  database.Execute(sql, dbFailOnError);
  return database.GetRecordsAffected();
}

// Undoes the open transaction when the swap does not reach its commit.
class SwapTransaction {
 public:
  explicit SwapTransaction(tQHDb& db) : m_db(db), m_open(db.BeginTrans() == 1) {}
  ~SwapTransaction() {
    if (m_open) m_db.Rollback();
  }
  bool Commit() {
    m_open = false;
    return m_db.CommitTrans() == 1;
  }

 private:
  tQHDb& m_db;
  bool m_open;
};

}  // namespace

std::vector<tCuePoint> LoadCuePoints(tQHDb& db, LONG songId) {
  std::vector<tCuePoint> points;
  if (!db.LoadCueList(songId)) return points;
  tCuePoint point;
  while (db.NextCuePoint(point.name, point.number, point.offset) == 1) points.push_back(point);
  db.CloseCueList();
  return points;
}

int SaveCueOffset(tQHDb& db, LONG songId, const CString& name, const CString& offset) {
  CString sql;
  sql.Format("Update CueList Set CueOffset = '%s' Where SongID = %ld And CueDescription = '%s';",
             SqlQuoteText(offset).GetString(), static_cast<long>(songId), SqlQuoteText(name).GetString());
  db.GetDatabase()->Execute(sql, dbFailOnError);
  return db.GetDatabase()->GetRecordsAffected() > 0 ? 1 : 0;
}

int SwapCueNumbers(tQHDb& db, LONG songId, const CString& first, const CString& second) {
  SHORT firstNumber = 0, secondNumber = 0;
  if (db.GetCueNumber(songId, first, firstNumber) != 1 || db.GetCueNumber(songId, second, secondNumber) != 1) return 0;
  SwapTransaction transaction(db);
  if (SetNumber(*db.GetDatabase(), songId, first, secondNumber) != 1 ||
      SetNumber(*db.GetDatabase(), songId, second, firstNumber) != 1)
    return 0;
  return transaction.Commit() ? 1 : 0;
}
