#!/bin/sh
# The Linux build of lumora_publish as a process with the system's 7zz: the manifest, reuse of
# unchanged packages, refusals and the dry run leaving the output alone, signing checked through
# 7zz. Usage: publish_native_test.sh PUBLISH
set -u
P=$1 T=$(mktemp -d) failed=0
trap 'rm -rf "$T"' EXIT
fail() { echo "FAILED: $*"; failed=1; }
expect() { [ "$2" = "$3" ] || fail "$1: wanted \"$2\", got \"$3\""; }
says() { grep -qF -- "$2" "$T/out.txt" || fail "$1: no \"$2\" in: $(cat "$T/out.txt")"; }
# run DIR ENV ARGS...: the tool in DIR with ENV (NAME=VALUE or ""), its exit code in rc.
run() {
  d=$1 e=$2 rc=0
  shift 2
  (cd "$d" && env $e "$P" "$@") >"$T/out.txt" 2>&1 || rc=$?
}
release() {
  mkdir -p "$1/rel/bin" "$1/rel/data"
  printf 'read me' >"$1/rel/readme"
  printf 'game code' >"$1/rel/bin/game.dll"
  printf data >"$1/rel/data/a.b.c"
}
tree() { (cd "$1" && find . | sort && find . -type f -exec md5sum {} + | sort); }

# NativePublish.WritesSortedManifestAndReusesUnchangedPackages. The MD5s are
# those of "game code", "data" and "read me".
D=$T/reuse
release "$D"
run "$D" "" rel 5 out
expect publish 0 $rc
printf '{"version": 5, "files": {\n  "bin\\\\game.dll": "7bd5156edb3ecf6e85984358949dd2f8",
  "data\\\\a.b.c": "8d777f385d3dfec8815d20f7496026dc",
  "readme": "ef7b5181c1f63f8ca8eebaab0829ee38"\n}}\n' >"$T/manifest"
cmp -s "$T/manifest" "$D/out/update.json" || fail manifest
printf 'previous package' >"$D/out/5/readme.7z"
printf 'new game code' >"$D/rel/bin/game.dll"
run "$D" "" rel 6 out out
expect republish 0 $rc
expect reused 'previous package' "$(cat "$D/out/6/readme.7z")"
grep -q 1b21feca318dab0f58a1bd4d6eca7374 "$D/out/update.json" || fail 'new MD5'
expect 'nothing else' '6 update.json, out rel' "$(echo $(ls "$D/out"), $(ls "$D"))"

# NativePublish.RefusalsAndDryRunLeaveTheOutputAlone. refuse LAYOUT FILES ENV
# CODE SAYS ARGS...: in a folder with the release ("release"), the release
# published as 5 into v5 and then changed ("v5"), or only FILES (split at
# "|"), the tool exits with CODE, says each of SAYS and changes nothing.
refuse() {
  D=$(mktemp -d -p "$T") IFS='|'
  mkdir -p "$D/rel" "$D/out"
  printf kept >"$D/out/keep"
  [ -z "$1" ] || release "$D"
  [ "$1" != v5 ] || { run "$D" "" rel 5 v5; printf 'new game code' >"$D/rel/bin/game.dll"; }
  for f in $2; do mkdir -p "$(dirname "$D/rel/$f")" && printf 1 >"$D/rel/$f"; done
  env=$3 code=$4 says=$5
  shift 5
  before=$(tree "$D")
  run "$D" "$env" "$@"
  expect "$* exits" "$code" $rc
  expect "$* changes" "$before" "$(tree "$D")"
  for say in $says; do says "$*" "$say"; done
  unset IFS
}
e10=$(for i in $(seq 10); do printf '\360\237\230\200'; done) # two UTF-16 units each
e60=$e10$e10$e10$e10$e10$e10
refuse '' '' '' 1 'release folder|nowhere' nowhere 5 out
refuse '' 'a.txt|a.dat' '' 1 'a.txt|a.dat|a.7z' rel 5 out
refuse '' 'A.txt|a.dat' '' 1 'A.txt|a.dat|a.7z' rel 5 out
refuse '' 'a\b' '' 1 'a\b|folder' rel 5 out
# 264 UTF-16 units as Windows counts them, though 134 code points.
refuse '' "$e60/$e60/$e10.t" '' 1 'longer than 259 characters' rel 5 out
refuse v5 '' '' 1 'not above the previous version 5' rel 5 out v5
refuse v5 '' '' 1 'not above the previous version 5' rel 4 out v5
refuse release '' '' 1 '7z program|not found' --sevenzip=no/7zz rel 5 out
refuse release '' PATH=/nowhere 1 '7z program not found' rel 5 out
refuse release '' LUMORA_7Z=/bin/false 1 'failed with exit code 1' rel 5 out
refuse v5 '' PATH=/nowhere 0 \
  'reused 6/data/a.b.7z|new    6/bin/game.7z|reused 6/readme.7z|version 6, 3 files' \
  --dry-run rel 6 out v5

# NativePublish.SignsAndVerifiesThroughSevenZip: the key the tool prints for a
# key from OpenSSL's command line verifies the output; verify CODE SAYS ENV
# [FILE SOURCE] checks a copy with FILE replaced as an attacker could.
D=$T/sign
release "$D"
mkdir "$D/evil"
printf evil >"$D/evil/readme"
(cd "$D" && openssl ecparam -name prime256v1 -genkey -noout -out k.pem) || fail key
(cd "$D/evil" && 7zz a -bso0 ../evil.7z readme) || fail 'evil package'
run "$D" "" --public-key k.pem
key=$(head -c 130 "$T/out.txt")
run "$D" "" --sign k.pem rel 5 out
expect sign 0 $rc
{ cat "$D/out/update.json" && printf ' '; } >"$D/changed.json"
verify() {
  rm -rf "$D/copy"
  cp -r "$D/out" "$D/copy"
  [ $# -lt 5 ] || cp "$5" "$D/copy/$4"
  run "$D" "$3" --verify "$key" copy
  expect "verify $*" "$1" $rc
  says "verify $*" "$2"
}
verify 0 'signature and 3 packages verified' ''
verify 1 'does not verify' '' update.json "$D/changed.json"
verify 1 'files.readme: its package does not hold' '' 5/readme.7z "$D/evil.7z"
verify 1 '7z program not found' PATH=/nowhere
exit $failed
