"""The built-in catalogue checked the way generated tables are checked elsewhere: one
SHA-256 per collection over every row (the catalogue entry and the generator's facts) and
every stored sample, instead of the rows typed out again. A change to any row, fact or
sample of a collection changes its digest; the failure names the collection.

After a deliberate change to the catalogue, print the new digests with
`python tests/python/test_catalogue_digests.py` and review the diff of the rows before
taking them."""

import hashlib

import velmora
from velmora_kit import table
from velmora_kit.catalogue import builtin_facts

DIGESTS = {
    "core": "857bb36add74d88246be408ad8f3768322bdcd323561a863384829cb8b2a31d2",
    "velmora_initial": "cbc5f629e32a9c8c936612be951c25fd4a9c001caedeb479bf7510c4cd1638f1",
    "velmora_expansion": "dd84f31a73d4dcc8c67487b3f90d23ac0bad67164a1c3a86e31406317c339a97",
    "velmora_atlas": "d856317d394721b62e0ce7e2056d61a6e1420878b84f29588c0335158eac9e73",
    "velmora_continuum": "1c6f5ef72e5aa35a67cceecc59337e9228d550bdeb2fd62fe693abb5ac08cf37",
    "velmora_club": "fe970d04b286e95e8f463a2b0fa67b4a25cab88c29fdd5cc89f4bf42513c5ea4",
    "velmora_dancefloor": "57010afa8ad6e6ddff5fa10e72e639521d668db41ac19bb16e734844d1a68793",
}


def collection_digests():
    digests = {}
    for entry, facts in zip(velmora.catalogue(), builtin_facts()):
        digest = digests.setdefault(facts.collection, hashlib.sha256())
        row = (entry["name"], entry["description"], entry["period_pips"], entry["dimensions"]) + tuple(facts)
        digest.update(repr(row).encode("utf-8"))
        digest.update(table(entry["name"]).tobytes())
    return {collection: digest.hexdigest() for collection, digest in digests.items()}


def test_every_collection_has_its_recorded_digest():
    got = collection_digests()
    assert list(got) == list(DIGESTS), "collections added, removed or reordered"
    changed = [collection for collection in DIGESTS if got[collection] != DIGESTS[collection]]
    assert not changed, f"rows or samples changed in {changed}"


if __name__ == "__main__":
    for collection, digest in collection_digests().items():
        print(f'    "{collection}": "{digest}",')
