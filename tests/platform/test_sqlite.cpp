// SQLite (static, amalgamation from Debian's source package) under Wine.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>
#include <string>
#include <thread>
#include <vector>

static std::string tempDbPath(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  std::string p = std::string(dir) + name;
  DeleteFileA(p.c_str());
  return p;
}

TEST(Sqlite, IsSerializedThreadsafe) {
  EXPECT_EQ(sqlite3_threadsafe(), 1);
  EXPECT_STREQ(sqlite3_libversion(), SQLITE_VERSION);
}

TEST(Sqlite, FileRoundTripAndConcurrentInserts) {
  std::string path = tempDbPath("platform_test.db");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK) << path;
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE q(sym TEXT, price REAL, day INTEGER, PRIMARY KEY(sym, day))",
                         nullptr, nullptr, nullptr), SQLITE_OK);
  // one connection shared by 4 threads: legal only in serialized mode (SQLITE_THREADSAFE=1)
  std::vector<std::thread> ts;
  for (int t = 0; t < 4; ++t)
    ts.emplace_back([db, t] {
      for (int i = 0; i < 50; ++i) {
        char sql[128];
        snprintf(sql, sizeof sql, "INSERT INTO q VALUES('S%d', %d.25, %d)", t, i, i);
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
      }
    });
  for (auto& th : ts) th.join();
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*), sum(price) FROM q", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(st, 0), 200);
  EXPECT_DOUBLE_EQ(sqlite3_column_double(st, 1), 4 * (49 * 50 / 2 + 50 * 0.25));
  sqlite3_finalize(st);
  EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
  // reopen: data persisted in the file
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT price FROM q WHERE sym='S3' AND day=7", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_DOUBLE_EQ(sqlite3_column_double(st, 0), 7.25);
  sqlite3_finalize(st);
  sqlite3_close(db);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}
