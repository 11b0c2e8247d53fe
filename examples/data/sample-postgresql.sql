-- The sample database: customers and their orders. Every value is computed from the row number,
-- so the data is the same on every build and on both database engines; the SQLite and the
-- PostgreSQL script differ only where the two dialects do.

CREATE TABLE customers (
    id integer PRIMARY KEY,
    name varchar(40) NOT NULL,
    city varchar(30),
    country char(2),
    since date,
    credit_limit numeric(12, 2),
    active boolean,
    notes text,
    logo bytea
);

CREATE TABLE orders (
    id integer PRIMARY KEY,
    customer_id integer NOT NULL REFERENCES customers (id),
    order_date date NOT NULL,
    shipped timestamp,
    amount numeric(12, 2) NOT NULL,
    discount double precision,
    status varchar(10) NOT NULL,
    note text
);

BEGIN;

INSERT INTO customers (id, name, city, country, since, credit_limit, active, notes, logo)
SELECT n,
       trim(substr('Anna    Bernd   Carla   David   Eva     Felix   Greta   Hugo    Ines    Jonas   Klara   Lukas   Maria   Nils    Olga    Paul    Rosa    Simon   Tanja   Ugo     ', ((n * 263) % 500 % 20) * 8 + 1, 8)) || ' ' ||
       trim(substr('Adler     Becker    Castillo  Dubois    Eriksson  Fischer   García    Hansen    Ivanova   Jansen    Keller    Lambert   Müller    Novak     Olsen     Petit     Quint     Rossi     Schmidt   Thomas    Ulrich    Vogel     Weber     Young     Zimmer    ', ((n * 263) % 500 / 20) * 10 + 1, 10)),
       trim(substr('Berlin      Zürich      Málaga      Lyon        Göteborg    Kraków      Porto       Bologna     Utrecht     København   Graz        Cork        ', (n % 12) * 12 + 1, 12)),
       substr('DECHESFRSEPLPTITNLDKATIE', (n % 12) * 2 + 1, 2),
       date '2015-01-01' + (n * 97) % 3000,
       ((n * 7919) % 1000000) / 100.0,
       n % 7 <> 0,
       CASE WHEN n % 4 = 0 THEN 'Key account' || chr(10) || 'Visit every ' || (n % 6 + 1) || ' months' END,
       CASE WHEN n % 50 = 0 THEN '\x89504e470d0a1a0a'::bytea END
FROM generate_series(1, 500) AS seq(n);

INSERT INTO orders (id, customer_id, order_date, shipped, amount, discount, status, note)
SELECT n,
       (n * 37) % 500 + 1,
       date '2023-01-01' + (n * 53) % 730,
       CASE WHEN n % 9 <> 0 THEN
           timestamp '2023-01-01' + ((n * 53) % 730 + n % 5) * interval '1 day' + (n % 24) * interval '1 hour'
               + ((n * 7) % 60) * interval '1 minute'
       END,
       ((n * 104729) % 250000) / 100.0 + 5,
       (n % 4) * 0.025,
       CASE WHEN n % 9 = 0 THEN 'open' WHEN n % 13 = 0 THEN 'returned' ELSE 'shipped' END,
       CASE WHEN n % 25 = 0 THEN 'Gift wrap' || chr(10) || 'Deliver to reception' END
FROM generate_series(1, 4000) AS seq(n);

COMMIT;
