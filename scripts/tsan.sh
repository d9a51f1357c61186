#!/usr/bin/env bash
# Builds the tests whose runs use more than one thread (the main window's run thread, the
# thread a preview notes each file on, the renewal thread, the LibreOffice watchdog, the
# background flush) with ThreadSanitizer into build-tsan/, and runs them
# one at a time with the suppressions of tests/tsan.supp. Office tests start the real LibreOffice.
# Exits non-zero when a test fails or when ThreadSanitizer reports anything, in any process.
# Slow (a full build of its own, and every test several times slower): not part of scripts/test.sh.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TRALEX_TSAN_BUILD_DIR:-"$top/build-tsan"}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-"$top"}

# The test programs. CrashSafety_test is not among them, nor the cases below that make their
# files with iconv: QProcess starts its children with clone(CLONE_VM), and the child's first steps
# run on the parent's ThreadSanitizer state, after which correctly locked code (a mutex and a
# condition variable, no code of ours needed) is reported as racing. Their engine runs, background
# flush included, are those of the other cases of clsTextTralex_test.
tests=(clsTextTralex_test RenewalThread_test Preview_test frmPreview_test frmMain_test
       OfficeDispatch_test OfficeEngine_test OfficeKilled_test HostileFolders_test
       OfficeApplication_test clsExcelControl_test clsWordControl_test)

cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
  -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build_dir" --target "${tests[@]}"

# Every report goes to a file of its own (one per process, children included), so that a report
# from a process whose exit code nobody checks is not lost.
reports="$build_dir/tsan-reports"
rm -rf "$reports"
mkdir -p "$reports"
# Open to all, as /tmp is: one test runs an engine in a child that has become another user.
chmod 1777 "$reports"
# A test that makes an allocation fail (a file too large for the memory left) needs malloc to
# return null, as it does without the sanitizer, instead of ending the program.
export TSAN_OPTIONS="suppressions=$top/tests/tsan.supp log_path=$reports/tsan second_deadlock_stack=1 allocator_may_return_null=1 ${TSAN_OPTIONS:-}"
# The office row of the unreadable-folder case runs the engine in a forked child of a program that
# already has threads, and the engine starts threads of its own there (the watchdog, LibreOffice's
# bridge): ThreadSanitizer does not support threads started after such a fork and fails inside
# itself. Its text row runs.
unsupported='^TextAndOffice/HostileFolders\.UnreadableFolderIsReported/xls'
unsupported+='|^TextTralexTest\.(EucJpFilesAreWrittenBackInEucJpWithOnlyTheMatchesChanged'
unsupported+='|FileValidInWindows31JAndEucJpAlikeFollowsItsFolder|AsciiFileTakesTheEncodingOfItsFolderOrTheOneSet)$'

# The cases of the chosen programs, by the names of their test suites ("Suite." or
# "Prefix/Suite." at the start of each CTest name).
suites=()
for t in "${tests[@]}"; do
  while IFS= read -r line; do
    [[ $line == [^\ ]*. ]] && suites+=("${line%.}")
  done < <(QT_QPA_PLATFORM=offscreen "$build_dir/tests/$t" --gtest_list_tests)
done
selected="^($(IFS='|'; echo "${suites[*]}"))\\."

status=0
# As in scripts/test.sh: every test but the office ones runs once; a failed office test gets up to
# three tries, since the headless LibreOffice now and then crashes or answers with a disposed
# object on a loaded machine, more so with every test slowed down. A report of any try still fails
# the run.
ctest --test-dir "$build_dir" --output-on-failure -j1 -R "$selected" -E "$unsupported" -LE office "$@" \
  || status=1
ctest --test-dir "$build_dir" --output-on-failure -j1 -R "$selected" -E "$unsupported" -L office \
  --repeat until-pass:3 "$@" || status=1

if compgen -G "$reports/tsan.*" >/dev/null; then
  cat "$reports"/tsan.*
  echo "ThreadSanitizer reported $(cat "$reports"/tsan.* | grep -c '^WARNING: ThreadSanitizer') warning(s); the reports are in $reports" >&2
  status=1
fi
exit "$status"
