#!/bin/bash
# Makes a copy of the sample database whose orders table is repeated until it holds at least ROWS
# orders, for running the main job over a large database:
#
#   bench/grow-sample.sh SAMPLE.db ROWS OUT.db
#
# Each copy of the orders keeps its customers, dates and amounts; only the ids move on, so that the
# report groups the same customers over more orders.
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 SAMPLE.db ROWS OUT.db" >&2
    exit 2
fi
Sample=$1
Rows=$2
Out=$3

rm -f "$Out"
cp "$Sample" "$Out"
Count=$(sqlite3 "$Out" "SELECT count(*) FROM orders")
Top=$(sqlite3 "$Out" "SELECT max(id) FROM orders")
Copies=$(((Rows + Count - 1) / Count))
# Every column but the id, as the table declares them.
Columns=$(sqlite3 "$Out" "SELECT group_concat(name, ', ') FROM pragma_table_info('orders') WHERE name <> 'id'")
sqlite3 "$Out" <<SQL
BEGIN;
CREATE TEMP TABLE first_orders AS SELECT * FROM orders;
WITH RECURSIVE copy(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM copy WHERE n < $Copies - 1)
INSERT INTO orders (id, $Columns)
SELECT o.id + copy.n * $Top, $Columns FROM first_orders o, copy;
COMMIT;
VACUUM;
SQL
echo "$Out: $(sqlite3 "$Out" "SELECT count(*) FROM orders") orders"
