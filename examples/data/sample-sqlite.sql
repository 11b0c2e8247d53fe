-- The sample database: customers and their orders. Every value is computed from the row number,
-- so the data is the same on every build and on both database engines; the SQLite and the
-- PostgreSQL script differ only where the two dialects do.

CREATE TABLE customers (
    id INTEGER PRIMARY KEY,
    name VARCHAR(40) NOT NULL,
    city VARCHAR(30),
    country CHAR(2),
    since DATE,
    credit_limit NUMERIC(12, 2),
    active BOOLEAN,
    notes MEMO,
    logo BLOB
);

CREATE TABLE orders (
    id INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers (id),
    order_date DATE NOT NULL,
    shipped DATETIME,
    amount NUMERIC(12, 2) NOT NULL,
    discount REAL,
    status VARCHAR(10) NOT NULL,
    note MEMO
);

BEGIN;

WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 500)
INSERT INTO customers (id, name, city, country, since, credit_limit, active, notes, logo)
SELECT n,
       trim(substr('Anna    Bernd   Carla   David   Eva     Felix   Greta   Hugo    Ines    Jonas   Klara   Lukas   Maria   Nils    Olga    Paul    Rosa    Simon   Tanja   Ugo     ', ((n * 263) % 500 % 20) * 8 + 1, 8)) || ' ' ||
       trim(substr('Adler     Becker    Castillo  Dubois    Eriksson  Fischer   García    Hansen    Ivanova   Jansen    Keller    Lambert   Müller    Novak     Olsen     Petit     Quint     Rossi     Schmidt   Thomas    Ulrich    Vogel     Weber     Young     Zimmer    ', ((n * 263) % 500 / 20) * 10 + 1, 10)),
       trim(substr('Berlin      Zürich      Málaga      Lyon        Göteborg    Kraków      Porto       Bologna     Utrecht     København   Graz        Cork        ', (n % 12) * 12 + 1, 12)),
       substr('DECHESFRSEPLPTITNLDKATIE', (n % 12) * 2 + 1, 2),
       date('2015-01-01', '+' || ((n * 97) % 3000) || ' days'),
       ((n * 7919) % 1000000) / 100.0,
       n % 7 <> 0,
       CASE WHEN n % 4 = 0 THEN 'Key account' || char(10) || 'Visit every ' || (n % 6 + 1) || ' months' END,
       CASE WHEN n % 50 = 0 THEN x'89504E470D0A1A0A' END
FROM seq;

WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 4000)
INSERT INTO orders (id, customer_id, order_date, shipped, amount, discount, status, note)
SELECT n,
       (n * 37) % 500 + 1,
       date('2023-01-01', '+' || ((n * 53) % 730) || ' days'),
       CASE WHEN n % 9 <> 0 THEN
           datetime('2023-01-01', '+' || ((n * 53) % 730 + n % 5) || ' days', '+' || (n % 24) || ' hours',
                    '+' || ((n * 7) % 60) || ' minutes')
       END,
       ((n * 104729) % 250000) / 100.0 + 5,
       (n % 4) * 0.025,
       CASE WHEN n % 9 = 0 THEN 'open' WHEN n % 13 = 0 THEN 'returned' ELSE 'shipped' END,
       CASE WHEN n % 25 = 0 THEN 'Gift wrap' || char(10) || 'Deliver to reception' END
FROM seq;

COMMIT;
