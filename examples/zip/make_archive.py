"""Writes archive.zip for the cookbook: two stored (uncompressed) members.

The member data.bin holds the bytes 'pk' 05 06, which a case-folding search
for the end-of-central-directory signature 'PK' 05 06 also matches. Fixed
dates make the archive the same byte for byte on every run.
"""
import zipfile

MEMBERS = [
    ("data.bin", b"\x00\x01\x02\x03pk\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e"),
    ("config.ini", b"[boot]\nmode=SAFE\n"),
]

with zipfile.ZipFile("archive.zip", "w", zipfile.ZIP_STORED) as archive:
    for name, data in MEMBERS:
        info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 12, 0, 0))
        info.external_attr = 0o644 << 16
        archive.writestr(info, data)
