#!/usr/bin/env bash
# ravelin-cli on bad arguments and failing files:
#   usage errors: exit 2, one line on stderr naming the problem, nothing on stdout,
#                 nothing written;
#   a refused input (missing, a folder, a FIFO, a device, no WAV): exit 1 with the
#                 file run's one message, nothing written;
#   an output that cannot be written: exit 1, the existing file untouched, no
#                 temporary file left.
# Usage: cli_args_test.sh PATH/TO/ravelin-cli
set -uo pipefail

cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A mono 16-bit file of 4 samples, and one of 20000 samples (40 KB).
wav16() {
    local n=$1 bytes=$(($1 * 2))
    printf 'RIFF'; printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(((36 + bytes) & 255)) $(((36 + bytes) >> 8 & 255)) $(((36 + bytes) >> 16 & 255)) 0)"
    printf 'WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x44\xac\x00\x00\x88\x58\x01\x00\x02\x00\x10\x00data'
    printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((bytes & 255)) $((bytes >> 8 & 255)) $((bytes >> 16 & 255)) 0)"
    head -c "$bytes" /dev/urandom
}
wav16 4 > in.wav
wav16 20000 > big.wav
: > empty.wav
mkdir folder
mkfifo fifo
printf 'keep me\n' > existing.wav
initial=$(ls -A | sort | tr '\n' ' ')

# run EXPECTED_STATUS ARGS...: runs the tool with a time limit (a hang is a failure),
# leaving its stdout in $out, its stderr in $err and its status in $status.
run() {
    local expected=$1
    shift
    timeout 20 "$cli" "$@" >"$work/.out" 2>"$work/.err"
    status=$?
    out=$(cat "$work/.out")
    err=$(cat "$work/.err")
    rm -f "$work/.out" "$work/.err"
    if ((status == 124)); then
        fail "ravelin-cli $* hung"
    elif ((status != expected)); then
        fail "ravelin-cli $*: exit $status, expected $expected (stderr: $err)"
    fi
}

# usage WORD ARGS...: exit 2, one line on stderr that contains WORD, no stdout, no file.
usage() {
    local word=$1
    shift
    run 2 "$@"
    [[ -z $out ]] || fail "ravelin-cli $*: printed on stdout: $out"
    [[ $(printf '%s\n' "$err" | wc -l) -eq 1 && $err == "ravelin-cli: "* ]] ||
        fail "ravelin-cli $*: not one error line: $err"
    [[ $err == *"$word"* ]] || fail "ravelin-cli $*: the error does not name '$word': $err"
    [[ $(ls -A | sort | tr '\n' ' ') == "$initial" ]] || fail "ravelin-cli $*: wrote files: $(ls -A)"
}

usage 'missing command'
usage "'bogus'" bogus
usage "'--bogus'" filter --bogus in.wav out.wav
usage "'-x'" filter -x in.wav out.wav
usage "'12'" filter --preset 12 in.wav out.wav
usage "'lpf99'" filter --preset lpf99 in.wav out.wav
usage "'-1'" filter --preset=-1 in.wav out.wav
usage "'0,1'" filter --taps 0,1 in.wav out.wav
usage "'8193'" filter --taps 0,1,8193 in.wav out.wav
usage "'-1'" filter --taps -1,0,0 in.wav out.wav
usage "'x'" filter --taps 0,x,2 in.wav out.wav
usage "'1.5'" filter --taps 0,1.5,2 in.wav out.wav
usage "'2.5'" filter --coefs 0,0,2.5 in.wav out.wav
usage "'-2.001'" filter --coefs -2.001,0,0 in.wav out.wav
usage "'abc'" filter --coefs 0,abc,0 in.wav out.wav
usage "'nan'" filter --coefs nan,0,0 in.wav out.wav
usage "'inf'" filter --coefs 0,0,inf in.wav out.wav
usage "'0,0'" filter --coefs 0,0 in.wav out.wav
usage "'--preset'" filter in.wav out.wav --preset
usage 'INPUT.wav and OUTPUT.wav' filter in.wav
usage 'INPUT.wav and OUTPUT.wav' filter
usage "'extra'" filter in.wav out.wav extra
usage 'empty file name' filter '' out.wav
usage 'empty file name' filter in.wav ''
usage "'7'" demo --input 7
usage "'sine'" demo --input sine
usage "'--bogus'" demo --bogus
usage "'extra'" demo extra
usage "'-o'" demo -o
usage 'empty file name' demo -o ''
usage "'extra'" presets extra

# refused NAME MESSAGE ARGS...: exit 1, nothing on stdout but the information text,
# exactly the one message on stderr, nothing written.
refused() {
    local message=$1
    shift
    run 1 "$@"
    [[ $err == "$message" ]] || fail "ravelin-cli $*: stderr '$err', expected '$message'"
    [[ $(ls -A | sort | tr '\n' ' ') == "$initial" ]] || fail "ravelin-cli $*: wrote files: $(ls -A)"
}
refused "error .... can't open the file [missing.wav]" filter missing.wav out.wav
[[ -z $out ]] || fail "a missing input printed on stdout: $out"
refused "error .... can't open the file [folder]" filter folder out.wav
refused "error .... can't open the file [fifo]" filter fifo out.wav
refused "error .... can't open the file [/dev/zero]" filter /dev/zero out.wav
refused "error .... found wrong WAVE format in the file [empty.wav]" filter empty.wav out.wav
refused "error .... can't open the file [fifo]" filter in.wav fifo
[[ -p fifo ]] || fail "the FIFO at the output path was replaced"
refused "error .... can't open the file [folder]" filter in.wav folder
refused "error .... can't open the file [nowhere/out.wav]" filter in.wav nowhere/out.wav
refused "error .... can't open the file [folder]" demo -o folder
refused "error .... can't open the file [fifo]" demo -o fifo
run 1 demo --preset lpf4 --input test
[[ $(printf '%s\n' "$err" | wc -l) -eq 1 && $err == *'not a demonstration pair'* ]] ||
    fail "demo with a file-only preset: $err"

# A file-size limit: the write fails, the existing output stays, no temporary file.
status=$( (ulimit -f 8; timeout 20 "$cli" filter big.wav existing.wav >/dev/null 2>"$work/.err"; echo $?) )
err=$(cat "$work/.err")
rm -f "$work/.err"
[[ $status == 1 && $err == "error .... can't write the file [existing.wav]" ]] ||
    fail "past the file-size limit: exit $status ($err)"
[[ $(cat existing.wav) == 'keep me' ]] || fail "the existing output changed"
[[ $(ls -A | sort | tr '\n' ' ') == "$initial" ]] || fail "a file-size limit left files: $(ls -A)"

# Standard output on a full disk: a failure, not a silent success.
if [[ -w /dev/full ]]; then
    for args in presets 'demo --preset echo5' 'filter in.wav out.wav'; do
        timeout 20 "$cli" $args >/dev/full 2>"$work/.err"
        status=$?
        ((status == 1)) || fail "ravelin-cli $args >/dev/full: exit $status"
        grep -q "can't write the standard output" "$work/.err" || fail "ravelin-cli $args >/dev/full: $(cat "$work/.err")"
        rm -f "$work/.err" out.wav
    done
fi

# And the good case still works: the same file through the pass-through preset.
run 0 filter in.wav out.wav
cmp -s in.wav out.wav || fail "pass-through of in.wav is not byte-identical"

if ((failures > 0)); then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "ravelin-cli: bad arguments and failing files all handled"
