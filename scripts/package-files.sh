# shellcheck shell=bash
# Sourced by the scripts that check the Debian packages: sets cli_deb and
# window_deb to the one build/quorvafix-cli_*.deb and build/quorvafix_*.deb
# that scripts/package.sh made (absolute paths), or ends the sourcing script
# with status 2 when there is not exactly one of each. Run from the checkout.

package_file() {  # package_file NAME: the one build/NAME_*.deb
  local debs=(build/"$1"_*.deb)
  if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "$(basename "$0"): expected one build/$1_*.deb; run scripts/package.sh" >&2
    return 2
  fi
  realpath "${debs[0]}"
}
# shellcheck disable=SC2034 # both are for the sourcing script
{
  cli_deb=$(package_file quorvafix-cli) || exit 2
  window_deb=$(package_file quorvafix) || exit 2
}
