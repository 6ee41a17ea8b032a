-- The bundled sample database: a small shop of soft-serve ice cream.
-- scripts/make-sample-db runs this with the sqlite3 shell inside a folder
-- that holds the product pictures (readfile() is the shell's function).
-- Names stay within 18 bytes as the profile format wants them, except the
-- two marked below, which are there to be skipped by the profile creator.

PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE customers (
  id          INTEGER PRIMARY KEY,
  name        VARCHAR(40) NOT NULL,
  name_en     VARCHAR(40),
  email       VARCHAR(60),
  joined      DATE,
  points      INTEGER DEFAULT 0,
  note        VARCHAR(300),
  -- Deliberately longer than 18 bytes.
  newsletter_subscription SMALLINT DEFAULT 0
);

CREATE TABLE products (
  id          INTEGER PRIMARY KEY,
  name        VARCHAR(60) NOT NULL,
  name_en     VARCHAR(60),
  price       DECIMAL(10,2) NOT NULL,
  stock       SMALLINT,
  released    DATE,
  -- A character large object. The SQLite3 ODBC driver reports a CLOB column
  -- as VARCHAR(255) but TEXT as a long character column, which is what a
  -- CLOB is to other databases; so the column is declared TEXT.
  description TEXT,
  photo       BLOB
);

CREATE TABLE orders (
  id          INTEGER PRIMARY KEY,
  customer_id INTEGER NOT NULL REFERENCES customers(id),
  ordered     DATE NOT NULL,
  total       DECIMAL(12,2) NOT NULL,
  status      CHARACTER(10)
);

CREATE TABLE order_items (
  order_id    INTEGER NOT NULL REFERENCES orders(id),
  product_id  INTEGER NOT NULL REFERENCES products(id),
  quantity    SMALLINT NOT NULL,
  unit_price  DECIMAL(10,2) NOT NULL,
  PRIMARY KEY (order_id, product_id)
);

CREATE TABLE 店舗 (
  id          INTEGER PRIMARY KEY,
  店名        VARCHAR(40) NOT NULL,
  name_en     VARCHAR(40),
  opened      DATE,
  hours       VARCHAR(20)
);

-- Deliberately longer than 18 bytes.
CREATE TABLE order_history_archive (
  order_id    INTEGER,
  archived    DATE
);

INSERT INTO customers VALUES
  (1, '山田 太郎', 'Taro Yamada', 'taro@example.jp', '2019-04-01', 1250,
   '毎月第一週に定期便。ソフトクリームの機械は表のソーダ売り場の隣にあります。Deliveries every first week; the soft-serve machine stands next to the soda counter out front. 配達は午前中を希望。Mornings preferred; ring the bell twice, the office is on the second floor behind the storeroom.', 1),
  (2, '鈴木 花子', 'Hanako Suzuki', 'hanako@example.jp', '2020-07-15', 300, NULL, 0),
  (3, '佐藤 一郎', 'Ichiro Sato', NULL, '2021-11-03', 0, '表示価格は税込み。Prices include tax.', 1),
  (4, 'Emily Clark', 'Emily Clark', 'emily@example.com', '2022-02-28', 75, '', 0),
  (5, '高橋 ソラ', 'Sora Takahashi', 'sora@example.jp', '2023-08-09', 20, '予約は十日前まで。Book ten days ahead.', 0);

INSERT INTO products VALUES
  (1001, '抹茶ソフトクリーム', 'Matcha soft-serve', 480.00, 120, '2015-10-10',
   '宇治抹茶を使った濃厚なソフトクリーム。' || char(13, 10) ||
   'Rich soft-serve made with Uji matcha.' || char(13, 10) ||
   '季節限定のトッピングあり。Seasonal toppings available.', readfile('product1.gif')),
  (1002, 'いちごソフト', 'Strawberry soft-serve', 450.00, 80, '2016-04-01',
   '完熟いちごのソース入り。With ripe strawberry sauce.', readfile('product2.jpg')),
  (1003, 'バニラソフト', 'Vanilla soft-serve', 380.00, 200, '2015-10-10',
   '北海道の牛乳で作りました。Made with Hokkaido milk.', readfile('product3.bmp')),
  (1004, 'チョコレートソフト', 'Chocolate soft-serve', 420.50, 0, '2018-12-01',
   NULL, readfile('product4.gif')),
  (1005, '紫いもソフト', 'Purple sweet potato soft-serve', 500.00, 35, '2024-09-01',
   '秋だけの味。' || char(13, 10) || 'Autumn only.', readfile('product5.jpg')),
  (1006, 'ソーダフロート', 'Soda float', 350.00, 60, '2020-06-20',
   'メロンソーダにバニラを浮かべて。Melon soda topped with vanilla.', NULL);

INSERT INTO orders VALUES
  (1, 1, '2024-05-01', 1410.00, 'shipped'),
  (2, 2, '2024-05-03', 450.00, 'shipped'),
  (3, 1, '2024-06-10', 1340.50, 'open'),
  (4, 4, '2024-06-11', 760.00, 'cancelled'),
  (5, 5, '2024-09-02', 1000.00, 'open');

INSERT INTO order_items VALUES
  (1, 1001, 2, 480.00), (1, 1002, 1, 450.00),
  (2, 1002, 1, 450.00),
  (3, 1001, 1, 480.00), (3, 1003, 1, 380.00), (3, 1004, 1, 420.50),
  (4, 1003, 2, 380.00),
  (5, 1005, 2, 500.00);

INSERT INTO 店舗 VALUES
  (1, '本店', 'Main shop', '2015-10-10', '10:00-19:00'),
  (2, '駅前店', 'Station shop', '2019-03-21', '09:00-21:00'),
  (3, '港ソフト館', 'Harbour soft-serve hall', '2022-07-01', '11:00-18:00');

INSERT INTO order_history_archive VALUES (1, '2024-12-31');

COMMIT;
