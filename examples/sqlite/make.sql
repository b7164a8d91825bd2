-- The cookbook's database: 1024-byte pages, a small table and one that
-- needs several pages.
PRAGMA page_size = 1024;
CREATE TABLE settings(name TEXT, value TEXT);
INSERT INTO settings VALUES ('boot', 'SAFE'), ('level', '3');
CREATE TABLE journal(n INTEGER, line TEXT);
WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < 100)
INSERT INTO journal SELECT n, printf('entry %03d of the boot journal', n) FROM k;
