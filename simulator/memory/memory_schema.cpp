#include "simulator/memory/memory_schema.h"

namespace sim::schema {

const char* const kCreate = R"sql(
CREATE TABLE printer (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  model TEXT NOT NULL,
  firmware TEXT NOT NULL,
  serial TEXT NOT NULL,
  created_at TEXT NOT NULL,
  power_ons INTEGER NOT NULL,
  last_power_on TEXT NOT NULL);
CREATE TABLE counters (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  last_ticket INTEGER NOT NULL,
  last_invoice INTEGER NOT NULL,
  last_non_fiscal INTEGER NOT NULL,
  last_z INTEGER NOT NULL,
  last_x INTEGER NOT NULL);
CREATE TABLE day (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  tickets INTEGER NOT NULL,
  invoices INTEGER NOT NULL,
  non_fiscal INTEGER NOT NULL,
  cancelled INTEGER NOT NULL,
  total INTEGER NOT NULL,
  tax INTEGER NOT NULL,
  returns INTEGER NOT NULL);
CREATE TABLE day_rates (
  rate INTEGER PRIMARY KEY,
  gross INTEGER NOT NULL,
  net INTEGER NOT NULL,
  tax INTEGER NOT NULL);
CREATE TABLE documents (
  id INTEGER PRIMARY KEY,
  kind TEXT NOT NULL CHECK (kind IN ('ticket', 'invoice', 'non_fiscal')),
  number INTEGER NOT NULL,
  day INTEGER NOT NULL,
  state TEXT NOT NULL CHECK (state IN ('open', 'closed', 'cancelled')),
  opened_at TEXT NOT NULL,
  closed_at TEXT,
  total INTEGER NOT NULL DEFAULT 0,
  net INTEGER NOT NULL DEFAULT 0,
  tax INTEGER NOT NULL DEFAULT 0,
  returns INTEGER NOT NULL DEFAULT 0,
  paid INTEGER NOT NULL DEFAULT 0);
CREATE INDEX documents_by_day ON documents (day);
CREATE TABLE document_lines (
  document_id INTEGER NOT NULL REFERENCES documents (id),
  position INTEGER NOT NULL,
  kind TEXT NOT NULL CHECK (kind IN ('item', 'return', 'payment', 'text')),
  text TEXT NOT NULL,
  quantity INTEGER NOT NULL,
  unit_price INTEGER NOT NULL,
  rate INTEGER NOT NULL,
  amount INTEGER NOT NULL,
  PRIMARY KEY (document_id, position));
CREATE TABLE open_document (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  document_id INTEGER NOT NULL REFERENCES documents (id),
  kind TEXT NOT NULL,
  number INTEGER NOT NULL,
  item_lines INTEGER NOT NULL,
  total INTEGER NOT NULL,
  net INTEGER NOT NULL,
  tax INTEGER NOT NULL,
  returns INTEGER NOT NULL,
  paid INTEGER NOT NULL,
  payments INTEGER NOT NULL,
  text_lines INTEGER NOT NULL);
CREATE TABLE open_document_rates (
  rate INTEGER PRIMARY KEY,
  base INTEGER NOT NULL);
CREATE TABLE z_closings (
  number INTEGER PRIMARY KEY,
  closed_at TEXT NOT NULL,
  tickets INTEGER NOT NULL,
  invoices INTEGER NOT NULL,
  non_fiscal INTEGER NOT NULL,
  cancelled INTEGER NOT NULL,
  total INTEGER NOT NULL,
  net INTEGER NOT NULL,
  tax INTEGER NOT NULL,
  returns INTEGER NOT NULL,
  first_ticket INTEGER,
  last_ticket INTEGER,
  first_invoice INTEGER,
  last_invoice INTEGER,
  first_non_fiscal INTEGER,
  last_non_fiscal INTEGER);
CREATE TABLE z_rates (
  z_number INTEGER NOT NULL REFERENCES z_closings (number),
  rate INTEGER NOT NULL,
  gross INTEGER NOT NULL,
  net INTEGER NOT NULL,
  tax INTEGER NOT NULL,
  PRIMARY KEY (z_number, rate));
CREATE TABLE last_reply (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  sequence INTEGER NOT NULL,
  reply BLOB NOT NULL);
INSERT INTO counters VALUES (1, 0, 0, 0, 0, 0);
INSERT INTO day VALUES (1, 0, 0, 0, 0, 0, 0, 0);
)sql";

const char* const kFromVersion1 = R"sql(
CREATE TABLE clock (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  offset_seconds INTEGER NOT NULL);
INSERT INTO clock VALUES (1, 0);
PRAGMA user_version = 2;
)sql";

}  // namespace sim::schema
