#!/bin/bash
# A shelf of books on a Slurm cluster: one array task per book folder, each running one
# pliego --script (samples/shelf.txt, or the script PLIEGO_SCRIPT names) over its book, the
# books on storage every node sees. Submit from the repository's folder:
#
#     ls -d /data/shelf/*/ >books.txt
#     sbatch --array=1-"$(wc -l <books.txt)"%8 samples/shelf-slurm.sh books.txt
#
# A task's exit status is pliego's: 0 every scan cut, 1 something failed (see its log),
# 2 the script could not be carried out. Tasks that failed are submitted again with the same
# command and --array set to their numbers (sacct -X -s F,TO,NF -n -o JobID); the scans a
# task already cut are skipped.
#SBATCH --job-name=pliego-shelf
#SBATCH --cpus-per-task=4
#SBATCH --mem=4G
#SBATCH --time=02:00:00
#SBATCH --output=pliego-%A_%a.log
set -euo pipefail
books="${1:?usage: sbatch --array=1-N shelf-slurm.sh BOOK_LIST}"
book="$(sed -n "${SLURM_ARRAY_TASK_ID}p" "$books")"
# Slurm runs a copy of this file: the script is found from the folder the job was submitted in.
script="${PLIEGO_SCRIPT:-${SLURM_SUBMIT_DIR:-.}/samples/shelf.txt}"
export PLIEGO_FOLDER="$book" PLIEGO_WORKERS="${SLURM_CPUS_PER_TASK:-1}"
exec "${PLIEGO:-pliego}" --script "$script"
