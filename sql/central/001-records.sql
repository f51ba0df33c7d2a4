-- Version 1 of the central record database: one row per record, known by
-- the identity the station gave it, and the two roles that use it.
--
-- Run by an administrator (a role that may create schemas and roles) with
-- "loop-tester-cli journal upgrade-server"; the program runs each file
-- sql/central/NNN-*.sql above the database's version in a transaction of
-- its own and records the new version in lt.schema_version.

CREATE SCHEMA IF NOT EXISTS lt;

CREATE TABLE lt.schema_version (version integer NOT NULL);
INSERT INTO lt.schema_version VALUES (0);

-- Stations log in with a role of their own that is a member of lt_station;
-- report readers with one that is a member of lt_reader.
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'lt_station') THEN
        CREATE ROLE lt_station NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'lt_reader') THEN
        CREATE ROLE lt_reader NOLOGIN;
    END IF;
END
$$;

CREATE TABLE lt.records (
    uuid uuid PRIMARY KEY,
    -- Counts the record's changes at the station: an older revision that
    -- arrives late (a repeated upload) never overwrites a newer one.
    revision integer NOT NULL,
    -- The login role that forwarded the row; only it may change the row.
    owner name NOT NULL DEFAULT current_user,
    station text NOT NULL,
    operator text NOT NULL DEFAULT '',
    recorded_at timestamptz NOT NULL,
    utc_offset_s integer NOT NULL,          -- the station's offset from UTC then
    -- The nine cell texts as the record table shows them.
    number text NOT NULL,
    recorded text NOT NULL,
    test_time text NOT NULL,
    current_set text NOT NULL,
    test_current text NOT NULL,
    resistance text NOT NULL,
    comparison text NOT NULL,
    result text NOT NULL,
    remark text NOT NULL,
    -- The same values in SI units; NULL where the cell holds none.
    test_time_s double precision,
    current_set_a double precision,
    test_current_a double precision,
    resistance_ohm double precision,
    comparison_ohm double precision,
    verdict text CHECK (verdict IN ('pass', 'fail')),
    model text NOT NULL DEFAULT '',
    version text NOT NULL DEFAULT '',
    serial text NOT NULL DEFAULT '',
    object text NOT NULL DEFAULT '',
    point text NOT NULL DEFAULT '',
    exported boolean NOT NULL DEFAULT false,
    deleted boolean NOT NULL DEFAULT false,
    received_at timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX records_by_time ON lt.records (recorded_at);
CREATE INDEX records_by_object ON lt.records (object, point, recorded_at);
CREATE INDEX records_by_station ON lt.records (station, recorded_at);

-- A station reads, adds and changes its own rows and nobody else's; it can
-- delete nothing (a record deleted at the station is marked deleted).
ALTER TABLE lt.records ENABLE ROW LEVEL SECURITY;
CREATE POLICY station_reads_own ON lt.records FOR SELECT TO lt_station
    USING (owner = current_user);
CREATE POLICY station_adds_own ON lt.records FOR INSERT TO lt_station
    WITH CHECK (owner = current_user);
CREATE POLICY station_changes_own ON lt.records FOR UPDATE TO lt_station
    USING (owner = current_user) WITH CHECK (owner = current_user);
CREATE POLICY reader_reads_all ON lt.records FOR SELECT TO lt_reader USING (true);

GRANT USAGE ON SCHEMA lt TO lt_station, lt_reader;
GRANT SELECT ON lt.schema_version TO lt_station, lt_reader;
GRANT SELECT, INSERT, UPDATE ON lt.records TO lt_station;
GRANT SELECT ON lt.records TO lt_reader;
